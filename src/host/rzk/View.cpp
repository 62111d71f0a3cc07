#include "rzk/View.h"

namespace rzk {

const du::Symbol ShapeView::ACTOR_TYPE("shapeview");
const du::Symbol DrawingView::ACTOR_TYPE("drawingview");
const du::Symbol ImageView::ACTOR_TYPE("imageview");

View::View(const du::Symbol& type) : type_(type) {}

View::~View() = default;

void View::SetStatusMessage(const std::string& text) {
    std::lock_guard guard(statusLock_);
    statusMessages_.push_back(text);
}

std::vector<std::string> View::GetStatusMessages() const {
    std::lock_guard guard(statusLock_);
    return statusMessages_;
}

std::string View::GetStatusMessage() const {
    std::lock_guard guard(statusLock_);
    return statusMessages_.empty() ? std::string() : statusMessages_.back();
}

ShapeView::ShapeView() : View(ACTOR_TYPE) {}
DrawingView::DrawingView() : View(ACTOR_TYPE) {}
ImageView::ImageView() : View(ACTOR_TYPE) {}

}  // namespace rzk
