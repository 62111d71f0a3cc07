#include "rzk/Window.h"

#include "rzk/EventValues.h"
#include "rzk/WindowObserver.h"

namespace rzk {

Window::Window() : observers_(new ObserverRegistry) {}

Window::~Window() {
    DetachObservers();
}

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

void Window::RegisterObserver(WindowObserver& observer, du::Flags flags) {
    observers_->Register(observer, flags);
}

void Window::DetachObservers() {
    observers_->DetachAll(Observer::DETACH_SUBJECT);
}

std::size_t Window::GetObserverCount() const {
    return observers_->GetCount();
}

void Window::PostSize(int width, int height) {
    observers_->Post(WindowObserver::SIZE, [&](dom::MessageWriter& writer) {
        writer.PushInt32Value(width);
        writer.PushInt32Value(height);
    });
}

void Window::PostStatusRefresh() {
    observers_->Post(WindowObserver::STATUS_REFRESH, [](dom::MessageWriter&) {});
}

void Window::PostMouseActivate() {
    observers_->Post(WindowObserver::MOUSE_ACTIVATE, [](dom::MessageWriter&) {});
}

void Window::PostMouseButton(int button, bool down, int x, int y) {
    observers_->Post(WindowObserver::MOUSE_BUTTON, [&](dom::MessageWriter& writer) {
        writer.PushInt32Value(button);
        writer.PushBooleanValue(down);
        writer.PushInt32Value(x);
        writer.PushInt32Value(y);
    });
}

void Window::PostMouseDoubleClick(int button) {
    observers_->Post(WindowObserver::MOUSE_DOUBLE_CLICK,
                     [&](dom::MessageWriter& writer) { writer.PushInt32Value(button); });
}

void Window::PostMouseWheel(short delta, int x, int y) {
    observers_->Post(WindowObserver::MOUSE_WHEEL, [&](dom::MessageWriter& writer) {
        writer.PushInt32Value(delta);
        writer.PushInt32Value(x);
        writer.PushInt32Value(y);
    });
}

void Window::PostMouseMove(int x, int y) {
    observers_->Post(WindowObserver::MOUSE_MOVE, [&](dom::MessageWriter& writer) {
        writer.PushInt32Value(x);
        writer.PushInt32Value(y);
    });
}

void Window::PostMouseLeave() {
    observers_->Post(WindowObserver::MOUSE_LEAVE, [](dom::MessageWriter&) {});
}

void Window::PostModifierKey(int modifier, bool down) {
    observers_->Post(WindowObserver::MODIFIER_KEY, [&](dom::MessageWriter& writer) {
        writer.PushInt32Value(modifier);
        writer.PushBooleanValue(down);
    });
}

void Window::PostKeyDown(int key) {
    observers_->Post(WindowObserver::KEY_DOWN,
                     [&](dom::MessageWriter& writer) { writer.PushInt32Value(key); });
}

void Window::PostKeyUp(int key) {
    observers_->Post(WindowObserver::KEY_UP, [&](dom::MessageWriter& writer) { writer.PushInt32Value(key); });
}

void Window::PostKeyPress(const std::string& text, const du::Symbol& systemKey) {
    // A typed text is not interned: whatever a person types must not grow the symbol table.
    const du::Symbol textSymbol = du::Symbol::Transient(text);
    const du::Symbol& key = systemKey.IsSet() ? systemKey : du::Symbol::EMPTY;
    observers_->Post(WindowObserver::KEY_PRESS, [&](dom::MessageWriter& writer) {
        writer.PushStringValue(textSymbol);
        writer.PushStringValue(key);
    });
}

void Window::PostMotionEvent(std::int64_t translationX, std::int64_t translationY, std::int64_t translationZ,
                             std::int64_t rotationX, std::int64_t rotationY, std::int64_t rotationZ) {
    const std::int64_t values[] = {translationX, translationY, translationZ, rotationX, rotationY, rotationZ};
    observers_->Post(WindowObserver::MOTION, [&](dom::MessageWriter& writer) {
        for (std::int64_t value : values) {
            events::PushInt64(writer, value);
        }
    });
}

void Window::PostTouch(const std::array<int, 52>& values) {
    observers_->Post(WindowObserver::TOUCH, [&](dom::MessageWriter& writer) {
        for (int value : values) {
            writer.PushInt32Value(value);
        }
    });
}

}  // namespace rzk
