#pragma once

#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "rzk/Observer.h"
#include "rzk/SceneObjects.h"

namespace rzk {

// Base of the observers of an annotation set. The set posts its events (AnnoSet::Post...) and this class
// decodes them, on the observer's own queue thread, into callbacks that do nothing by default:
//   16 ANNOTATION_ADDED    annotation (object pointer)  -> OnAnnotationAdded
//   17 ANNOTATION_REMOVED  annotation (object pointer)  -> OnAnnotationRemoved
class RZHOST_API AnnotationSetObserver : public Observer {
public:
    static constexpr unsigned char ANNOTATION_ADDED = 16;
    static constexpr unsigned char ANNOTATION_REMOVED = 17;

    ~AnnotationSetObserver() override;

    // Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;
    // Queue thread only.
    virtual void OnAnnotationAdded(const du::SmartPtr<Annotation>& annotation);
    // Queue thread only.
    virtual void OnAnnotationRemoved(const du::SmartPtr<Annotation>& annotation);

protected:
    AnnotationSetObserver();
};

}  // namespace rzk
