#include "rzk/AnnotationSetObserver.h"

#include "rzk/EventValues.h"

namespace rzk {

AnnotationSetObserver::AnnotationSetObserver() = default;
AnnotationSetObserver::~AnnotationSetObserver() = default;

bool AnnotationSetObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    if (event != ANNOTATION_ADDED && event != ANNOTATION_REMOVED) {
        return Observer::EventHandler(event, reader);
    }
    du::SmartPtr<Annotation> annotation;
    if (!events::ReadObject(reader, annotation)) {
        return false;
    }
    if (event == ANNOTATION_ADDED) {
        OnAnnotationAdded(annotation);
    } else {
        OnAnnotationRemoved(annotation);
    }
    return true;
}

void AnnotationSetObserver::OnAnnotationAdded(const du::SmartPtr<Annotation>&) {}
void AnnotationSetObserver::OnAnnotationRemoved(const du::SmartPtr<Annotation>&) {}

}  // namespace rzk
