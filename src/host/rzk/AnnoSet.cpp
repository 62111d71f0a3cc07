#include "rzk/AnnoSet.h"

#include <algorithm>
#include <utility>

#include "rzk/AnnotationSetObserver.h"
#include "rzk/EventValues.h"

namespace rzk {

DrawnAnnotation::DrawnAnnotation(Kind kind, std::vector<Point> points, std::string text, std::uint32_t color)
    : kind_(kind), points_(std::move(points)), text_(std::move(text)), color_(color) {}

du::SmartPtr<DrawnAnnotation> DrawnAnnotation::Polyline(std::vector<Point> points, std::uint32_t color) {
    return du::SmartPtr<DrawnAnnotation>(new DrawnAnnotation(Kind::Polyline, std::move(points), {}, color));
}

du::SmartPtr<DrawnAnnotation> DrawnAnnotation::Rectangle(Point corner, Point opposite, std::uint32_t color) {
    return du::SmartPtr<DrawnAnnotation>(new DrawnAnnotation(Kind::Rectangle, {corner, opposite}, {}, color));
}

du::SmartPtr<DrawnAnnotation> DrawnAnnotation::Text(Point at, std::string text, std::uint32_t color) {
    return du::SmartPtr<DrawnAnnotation>(new DrawnAnnotation(Kind::Text, {at}, std::move(text), color));
}

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

void AnnoSet::Add(const du::SmartPtr<Annotation>& annotation) {
    if (!annotation) {
        return;
    }
    {
        std::lock_guard hold(lock_);
        if (std::find(kept_.begin(), kept_.end(), annotation) != kept_.end()) {
            return;
        }
        kept_.push_back(annotation);
        ++revision_;
    }
    PostAnnotationAdded(annotation);
}

void AnnoSet::Replace(const du::SmartPtr<Annotation>& old, const du::SmartPtr<Annotation>& replacement) {
    bool removed = false;
    {
        std::lock_guard hold(lock_);
        auto found = old ? std::find(kept_.begin(), kept_.end(), old) : kept_.end();
        if (found != kept_.end()) {
            removed = true;
            if (replacement) {
                *found = replacement;
            } else {
                kept_.erase(found);
            }
        } else if (replacement) {
            kept_.push_back(replacement);
        }
        ++revision_;
    }
    if (removed) {
        PostAnnotationRemoved(old);
    }
    if (replacement) {
        PostAnnotationAdded(replacement);
    }
}

void AnnoSet::Remove(const du::SmartPtr<Annotation>& annotation) {
    {
        std::lock_guard hold(lock_);
        auto found = std::find(kept_.begin(), kept_.end(), annotation);
        if (!annotation || found == kept_.end()) {
            return;
        }
        kept_.erase(found);
        ++revision_;
    }
    PostAnnotationRemoved(annotation);
}

std::vector<du::SmartPtr<Annotation>> AnnoSet::GetAnnotations() const {
    std::lock_guard hold(lock_);
    return kept_;
}

std::uint64_t AnnoSet::GetRevision() const {
    std::lock_guard hold(lock_);
    return revision_;
}

}  // namespace rzk
