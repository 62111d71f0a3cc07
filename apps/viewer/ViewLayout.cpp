#include "ViewLayout.h"

#include <algorithm>
#include <utility>

namespace viewer {

std::vector<ViewRect> SplitWindow(int count, int width, int height, int statusHeight) {
    const int area = std::max(height - statusHeight, 1);
    if (count <= 1) {
        return {ViewRect{0, 0, width, height, area}};
    }
    const int columns = 2;
    const int rows = count > 2 ? 2 : 1;
    const int viewWidth = std::max((width - (columns - 1)) / columns, 1);
    const int viewHeight = std::max((area - (rows - 1)) / rows, 1);
    std::vector<ViewRect> views;
    for (int i = 0; i < count; ++i) {
        const int column = i % columns;
        const int row = i / columns;
        views.push_back(
            ViewRect{column * (viewWidth + 1), row * (viewHeight + 1), viewWidth, viewHeight, viewHeight});
    }
    return views;
}

ViewRouter::ViewRouter(std::vector<ViewRect> views) : views_(std::move(views)) {}

void ViewRouter::SetViews(std::vector<ViewRect> views) {
    views_ = std::move(views);
}

int ViewRouter::ViewAt(int x, int y) const {
    // With one view the window is the view: a point outside it (a drag SDL follows past the edge) is its.
    if (views_.size() == 1) {
        return 0;
    }
    for (std::size_t i = 0; i < views_.size(); ++i) {
        if (views_[i].Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

ViewRouter::Target ViewRouter::In(int view, int x, int y) const {
    Target target;
    if (view >= 0 && view < static_cast<int>(views_.size())) {
        target.view = view;
        target.x = x - views_[static_cast<std::size_t>(view)].x;
        target.y = y - views_[static_cast<std::size_t>(view)].y;
    }
    return target;
}

ViewRouter::Target ViewRouter::Press(int x, int y) {
    if (held_++ > 0) {
        return In(captured_, x, y);
    }
    captured_ = ViewAt(x, y);
    Target target = In(captured_, x, y);
    if (captured_ >= 0 && captured_ != active_) {
        active_ = captured_;
        target.activates = true;
    }
    return target;
}

ViewRouter::Target ViewRouter::Release(int x, int y) {
    if (held_ == 0) {
        return In(ViewAt(x, y), x, y);
    }
    const Target target = In(captured_, x, y);
    if (--held_ == 0) {
        captured_ = -1;
    }
    return target;
}

ViewRouter::Target ViewRouter::Move(int x, int y, bool buttonsDown) {
    if (held_ > 0 && !buttonsDown) {
        held_ = 0;
        captured_ = -1;
    }
    if (held_ > 0) {
        return In(captured_, x, y);
    }
    const int view = ViewAt(x, y);
    Target target = In(view, x, y);
    if (view != hovered_) {
        target.left = hovered_;
        hovered_ = view;
    }
    return target;
}

ViewRouter::Target ViewRouter::At(int x, int y) const {
    return In(held_ > 0 ? captured_ : ViewAt(x, y), x, y);
}

int ViewRouter::Leave() {
    const int view = hovered_ >= 0 ? hovered_ : active_;
    hovered_ = -1;
    return views_.empty() ? -1 : view;
}

int ViewRouter::Pointer() const {
    if (held_ > 0 && captured_ >= 0) {
        return captured_;
    }
    return hovered_ >= 0 ? hovered_ : active_;
}

}  // namespace viewer
