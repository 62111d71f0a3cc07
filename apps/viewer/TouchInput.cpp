#include "TouchInput.h"

#include <algorithm>

#include "workflows/TouchGestures.h"

namespace viewer {

using workflow::TouchGestures;

std::optional<session::Touch> TouchInput::Down(std::int64_t finger, int x, int y, int time) {
    if (fingers_.size() >= session::Touch::POINTS) {
        return std::nullopt;
    }
    if (fingers_.empty()) {
        nextId_ = 1;  // ids start again with each touch, so that a recording reads the same every time
    }
    fingers_.push_back({finger, nextId_++, x, y, time});
    return Event(fingers_.size() - 1, TouchGestures::TOUCH_DOWN);
}

std::optional<session::Touch> TouchInput::Move(std::int64_t finger, int x, int y, int time) {
    const auto found =
        std::find_if(fingers_.begin(), fingers_.end(), [&](const Finger& f) { return f.finger == finger; });
    if (found == fingers_.end()) {
        return std::nullopt;
    }
    found->x = x;
    found->y = y;
    found->time = time;
    return Event(static_cast<std::size_t>(found - fingers_.begin()), TouchGestures::TOUCH_MOVE);
}

std::optional<session::Touch> TouchInput::Up(std::int64_t finger, int x, int y, int time) {
    std::optional<session::Touch> touch = Move(finger, x, y, time);
    if (!touch) {
        return touch;
    }
    const auto found =
        std::find_if(fingers_.begin(), fingers_.end(), [&](const Finger& f) { return f.finger == finger; });
    touch->points[static_cast<std::size_t>(found - fingers_.begin())].flag = TouchGestures::TOUCH_UP;
    fingers_.erase(found);
    return touch;
}

std::optional<session::Touch> TouchInput::Event(std::size_t changed, int flag) const {
    session::Touch touch;
    touch.message = TOUCH_MESSAGE;
    touch.inputs = static_cast<int>(fingers_.size());
    for (std::size_t i = 0; i < fingers_.size(); ++i) {
        const Finger& f = fingers_[i];
        touch.points[i] = {f.id, f.x, f.y, f.time, i == changed ? flag : TouchGestures::TOUCH_MOVE};
    }
    return touch;
}

}  // namespace viewer
