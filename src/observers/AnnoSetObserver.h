#pragma once

#include "du/SmartPtr.h"
#include "rzk/AnnoSet.h"
#include "rzk/AnnotationSetObserver.h"
#include "rzk/SceneObjects.h"

namespace workflow {

class WorkflowManagerImpl;

// Turns annotations added to or removed from the scene's annotation set into "MsgAddAnnotation" and
// "MsgRemoveAnnotation".
class AnnoSetObserver : public rzk::AnnotationSetObserver {
public:
    AnnoSetObserver(const du::SmartPtr<rzk::AnnoSet>& annotations, WorkflowManagerImpl* manager);
    ~AnnoSetObserver() override;

    // Queue thread only, like every callback below.
    void OnManage() override;
    bool UsesUpdateBatches() override;
    void DetachSubject() override;
    void DetachManager() override;
    void OnAnnotationAdded(const du::SmartPtr<rzk::Annotation>& annotation) override;
    void OnAnnotationRemoved(const du::SmartPtr<rzk::Annotation>& annotation) override;

private:
    void Send(const du::Symbol& name, const du::SmartPtr<rzk::Annotation>& annotation);

    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::AnnoSet> subject_;
};

}  // namespace workflow
