#include "observers/AnnoSetObserver.h"

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/TypedMessages.h"

namespace workflow {

AnnoSetObserver::AnnoSetObserver(const du::SmartPtr<rzk::AnnoSet>& annotations, WorkflowManagerImpl* manager)
    : manager_(manager), subject_(annotations) {}

AnnoSetObserver::~AnnoSetObserver() = default;

void AnnoSetObserver::OnManage() {
    if (subject_) {
        subject_->RegisterObserver(*this);
    }
}

bool AnnoSetObserver::UsesUpdateBatches() {
    return false;
}

void AnnoSetObserver::DetachSubject() {
    if (subject_) {
        Unregister();
        subject_ = nullptr;
    }
}

void AnnoSetObserver::DetachManager() {
    manager_ = nullptr;
}

void AnnoSetObserver::Send(const du::Symbol& name, const du::SmartPtr<rzk::Annotation>& annotation) {
    if (annotation && manager_) {
        du::SmartPtr<WorkflowManagerImpl> manager(manager_);
        manager->Tap().Record(FlightRecord::Scene(name));
        manager->DispatchMessage(AnnotationMsg(name, annotation));
    }
}

void AnnoSetObserver::OnAnnotationAdded(const du::SmartPtr<rzk::Annotation>& annotation) {
    Send(ConstStrings::MsgAddAnnotation, annotation);
}

void AnnoSetObserver::OnAnnotationRemoved(const du::SmartPtr<rzk::Annotation>& annotation) {
    Send(ConstStrings::MsgRemoveAnnotation, annotation);
}

}  // namespace workflow
