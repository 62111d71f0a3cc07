#include "rzk/View.h"

#include <utility>

#include "rzk/ViewObserver.h"

namespace rzk {

const du::Symbol ShapeView::ACTOR_TYPE("shapeview");
const du::Symbol DrawingView::ACTOR_TYPE("drawingview");
const du::Symbol ImageView::ACTOR_TYPE("imageview");

View::View(const du::Symbol& type) : type_(type), camera_(new Camera), observers_(new ObserverRegistry) {}

View::~View() {
    DetachObservers();
}

void View::SetStatusMessage(const std::string& text) {
    std::lock_guard guard(statusLock_);
    statusMessages_.push_back(text);
}

std::vector<std::string> View::GetStatusMessages() const {
    std::lock_guard guard(statusLock_);
    return statusMessages_;
}

std::vector<std::string> View::GetStatusMessagesAfter(std::size_t seen) const {
    std::lock_guard guard(statusLock_);
    if (seen >= statusMessages_.size()) {
        return {};
    }
    return {statusMessages_.begin() + static_cast<std::ptrdiff_t>(seen), statusMessages_.end()};
}

std::string View::GetStatusMessage() const {
    std::lock_guard guard(statusLock_);
    return statusMessages_.empty() ? std::string() : statusMessages_.back();
}

void View::SetInstancePicker(std::function<unsigned int(int, int)> picker) {
    std::lock_guard guard(pickerLock_);
    picker_ = std::move(picker);
}

bool View::PickInstance(int x, int y, unsigned int& instance) const {
    std::function<unsigned int(int, int)> picker;
    {
        std::lock_guard guard(pickerLock_);
        picker = picker_;
    }
    if (!picker) {
        return false;
    }
    instance = picker(x, y);
    return true;
}

void View::SetRegionPicker(std::function<std::vector<unsigned int>(int, int, int, int)> picker) {
    std::lock_guard guard(pickerLock_);
    regionPicker_ = std::move(picker);
}

bool View::PickInstancesInside(int x0, int y0, int x1, int y1, std::vector<unsigned int>& instances) const {
    std::function<std::vector<unsigned int>(int, int, int, int)> picker;
    {
        std::lock_guard guard(pickerLock_);
        picker = regionPicker_;
    }
    if (!picker) {
        return false;
    }
    instances = picker(x0, y0, x1, y1);
    return true;
}

void View::SetBoundsProvider(
    std::function<bool(const std::vector<unsigned int>&, InstanceBounds&)> provider) {
    std::lock_guard guard(pickerLock_);
    boundsProvider_ = std::move(provider);
}

bool View::GetInstanceBounds(const std::vector<unsigned int>& ids, InstanceBounds& bounds) const {
    std::function<bool(const std::vector<unsigned int>&, InstanceBounds&)> provider;
    {
        std::lock_guard guard(pickerLock_);
        provider = boundsProvider_;
    }
    return provider && provider(ids, bounds);
}

void View::DetachObservers() {
    observers_->DetachAll(Observer::DETACH_SUBJECT);
}

std::size_t View::GetObserverCount() const {
    return observers_->GetCount();
}

void View::PostProjection() {
    observers_->Post(ViewObserver::PROJECTION, [](dom::MessageWriter&) {});
}

void View::PostNavigationSettingsChange() {
    observers_->Post(ViewObserver::NAVIGATION_SETTINGS, [](dom::MessageWriter&) {});
}

void View::PostPrintPreviewChange() {
    observers_->Post(ViewObserver::PRINT_PREVIEW, [](dom::MessageWriter&) {});
}

ShapeView::ShapeView() : View(ACTOR_TYPE) {}

void ShapeView::RegisterObserver(ShapeViewObserver& observer, bool) {
    GetObserverRegistry()->Register(observer, 0);
}

DrawingView::DrawingView() : View(ACTOR_TYPE) {}

void DrawingView::RegisterObserver(DrawingViewObserver& observer) {
    GetObserverRegistry()->Register(observer, 0);
}

ImageView::ImageView() : View(ACTOR_TYPE) {}

}  // namespace rzk
