#include "rzk/AnnoSet.h"

#include "rzk/AnnotationSetObserver.h"
#include "rzk/EventValues.h"

namespace rzk {

AnnoSet::AnnoSet() : observers_(new ObserverRegistry) {}

AnnoSet::~AnnoSet() {
    DetachObservers();
}

void AnnoSet::RegisterObserver(AnnotationSetObserver& observer) {
    observers_->Register(observer, 0);
}

void AnnoSet::DetachObservers() {
    observers_->DetachAll(Observer::DETACH_SUBJECT);
}

std::size_t AnnoSet::GetObserverCount() const {
    return observers_->GetCount();
}

void AnnoSet::PostAnnotationAdded(const du::SmartPtr<Annotation>& annotation) {
    observers_->Post(AnnotationSetObserver::ANNOTATION_ADDED,
                     [&](dom::MessageWriter& writer) { events::PushObject(writer, annotation); });
}

void AnnoSet::PostAnnotationRemoved(const du::SmartPtr<Annotation>& annotation) {
    observers_->Post(AnnotationSetObserver::ANNOTATION_REMOVED,
                     [&](dom::MessageWriter& writer) { events::PushObject(writer, annotation); });
}

}  // namespace rzk
