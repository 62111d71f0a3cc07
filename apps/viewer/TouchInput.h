#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "Command.h"

namespace viewer {

// The fingers on the window's touch surface, kept so that each finger event becomes the window's touch
// event: every finger that is down, in the order they came down, the one that changed flagged as down,
// moved or lifted (workflow::TouchGestures' flags) and the others as moved. A finger gets a small id of
// its own (1, 2, ...) for as long as it touches; an eleventh finger is not reported.
class TouchInput {
public:
    // The touch message the viewer sends with every touch event.
    static constexpr int TOUCH_MESSAGE = 1;

    // A finger came down, moved or lifted at (x, y) in window pixels at time (milliseconds); answers the
    // event that tells it, or nothing for a finger this does not follow.
    std::optional<session::Touch> Down(std::int64_t finger, int x, int y, int time);
    std::optional<session::Touch> Move(std::int64_t finger, int x, int y, int time);
    std::optional<session::Touch> Up(std::int64_t finger, int x, int y, int time);

    // How many fingers are down.
    std::size_t Fingers() const { return fingers_.size(); }

private:
    struct Finger {
        std::int64_t finger = 0;
        int id = 0;
        int x = 0;
        int y = 0;
        int time = 0;
    };
    std::optional<session::Touch> Event(std::size_t changed, int flag) const;

    std::vector<Finger> fingers_;
    int nextId_ = 1;
};

}  // namespace viewer
