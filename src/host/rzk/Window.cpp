#include "rzk/Window.h"

namespace rzk {

Window::Window() = default;
Window::~Window() = default;

void Window::SetCursor(const du::Symbol& cursor) {
    std::lock_guard guard(lock_);
    cursor_ = cursor;
    calls_.push_back("SetCursor " + cursor.ToString());
}

void Window::ResetCursor() {
    std::lock_guard guard(lock_);
    cursor_ = du::Symbol();
    calls_.emplace_back("ResetCursor");
}

void Window::SetCursorPosition(int x, int y) {
    std::lock_guard guard(lock_);
    hasPosition_ = true;
    x_ = x;
    y_ = y;
    calls_.push_back("SetCursorPosition " + std::to_string(x) + " " + std::to_string(y));
}

du::Symbol Window::GetCursor() const {
    std::lock_guard guard(lock_);
    return cursor_;
}

bool Window::GetCursorPosition(int& x, int& y) const {
    std::lock_guard guard(lock_);
    if (!hasPosition_) {
        return false;
    }
    x = x_;
    y = y_;
    return true;
}

std::vector<std::string> Window::GetCallLog() const {
    std::lock_guard guard(lock_);
    return calls_;
}

void Window::ClearCallLog() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

}  // namespace rzk
