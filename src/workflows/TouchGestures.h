#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <utility>

namespace workflow {

// Turns touch messages into the two-finger gestures a view needs: pinch (scale), turn (rotation) and pan
// (the move of the point between the fingers), each as begin / update / end. Feed it every MsgTouch in the
// order received and act on what it answers; it keeps only the two fingers it follows.
//
//     bool OnMsgTouch(int message, int numInputs, int id1, int x1, int y1, int time1, int flag1, ...,
//                     int flag10) override {
//         const auto gesture = touch_.Feed(numInputs, {{{id1, x1, y1, time1, flag1}, ...,
//                                                       {id10, x10, y10, time10, flag10}}});
//         if (gesture.phase == workflow::TouchGestures::Phase::Begin) {
//             startZoom_ = camera.GetZoom();
//         } else if (gesture.phase == workflow::TouchGestures::Phase::Update) {
//             camera.SetZoom(startZoom_ * gesture.scale);
//         }
//         return false;  // other workflows may want the turn or the pan of the same fingers
//     }
//
// What a touch event holds: numInputs points, each with the id of its finger, its position in window
// pixels, a time and a flag saying whether the finger came down (TOUCH_DOWN), moved (TOUCH_MOVE) or
// lifted (TOUCH_UP); the viewer sends every finger that is down in each event. A gesture begins when two
// fingers are down, updates while both stay down, and ends when either lifts or an event holds fewer than
// two; a third finger is ignored. When the two fingers change (one lifts and another comes down in the
// same event), the old gesture ends and the next event begins a new one.
//
// Header only: nothing to link. Not thread-safe; a workflow uses its own on the manager's thread.
class TouchGestures {
public:
    static constexpr int TOUCH_MOVE = 0x1;
    static constexpr int TOUCH_DOWN = 0x2;
    static constexpr int TOUCH_UP = 0x4;
    static constexpr std::size_t MAX_POINTS = 10;

    struct Point {
        int id = 0;
        int x = 0;
        int y = 0;
        int time = 0;
        int flag = 0;
        bool operator==(const Point&) const = default;
    };
    using Points = std::array<Point, MAX_POINTS>;

    enum class Phase { None, Begin, Update, End };

    // Where the gesture stands. Since the begin: scale is the fingers' distance over their distance at the
    // begin (1 at the begin), rotation the turn of the line between them in degrees (positive is clockwise
    // on screen, where y grows downwards; it goes past 180 rather than jumping), panX and panY the move of
    // their midpoint in pixels. The step values are the same since the event before. At End they hold
    // the last update's values and a step of nothing.
    struct Gesture {
        Phase phase = Phase::None;
        double scale = 1.0;
        double rotation = 0.0;
        double panX = 0.0;
        double panY = 0.0;
        double stepScale = 1.0;
        double stepRotation = 0.0;
        double stepPanX = 0.0;
        double stepPanY = 0.0;
        double centreX = 0.0;
        double centreY = 0.0;
    };

    // One touch event: its number of inputs and its points (those beyond numInputs are not read).
    Gesture Feed(int numInputs, const Points& points) {
        const Point* fingers[2] = {nullptr, nullptr};
        std::size_t down = 0;
        const std::size_t count = numInputs <= 0 ? 0 : std::min<std::size_t>(numInputs, MAX_POINTS);
        for (std::size_t i = 0; i < count && down < 2; ++i) {
            if ((points[i].flag & TOUCH_UP) == 0) {
                fingers[down++] = &points[i];
            }
        }
        if (down < 2 || (following_ && !SameFingers(*fingers[0], *fingers[1]))) {
            return Finish();
        }
        if (following_ && fingers[0]->id != ids_[0]) {
            std::swap(fingers[0], fingers[1]);  // the line between them keeps its direction
        }
        const double dx = fingers[1]->x - fingers[0]->x;
        const double dy = fingers[1]->y - fingers[0]->y;
        const double distance = std::hypot(dx, dy);
        const double angle = std::atan2(dy, dx) * 180.0 / PI;
        const double centreX = (fingers[0]->x + fingers[1]->x) / 2.0;
        const double centreY = (fingers[0]->y + fingers[1]->y) / 2.0;
        if (!following_) {
            following_ = true;
            ids_ = {fingers[0]->id, fingers[1]->id};
            startDistance_ = distance;
            startX_ = centreX;
            startY_ = centreY;
            lastAngle_ = angle;
            last_ = Gesture{};
            last_.phase = Phase::Begin;
            last_.centreX = centreX;
            last_.centreY = centreY;
            return last_;
        }
        Gesture now;
        now.phase = Phase::Update;
        now.scale = startDistance_ > 0.0 && distance > 0.0 ? distance / startDistance_ : last_.scale;
        now.stepRotation = Turn(angle - lastAngle_);
        now.rotation = last_.rotation + now.stepRotation;
        now.panX = centreX - startX_;
        now.panY = centreY - startY_;
        now.stepScale = last_.scale > 0.0 ? now.scale / last_.scale : 1.0;
        now.stepPanX = now.panX - last_.panX;
        now.stepPanY = now.panY - last_.panY;
        now.centreX = centreX;
        now.centreY = centreY;
        lastAngle_ = angle;
        last_ = now;
        return now;
    }

    // Whether a gesture has begun and not ended.
    bool Active() const { return following_; }

private:
    static constexpr double PI = 3.14159265358979323846;

    // A change of angle as the shortest turn, so that crossing the +-180 line is a small step.
    static double Turn(double degrees) {
        while (degrees > 180.0) {
            degrees -= 360.0;
        }
        while (degrees <= -180.0) {
            degrees += 360.0;
        }
        return degrees;
    }

    bool SameFingers(const Point& a, const Point& b) const {
        return (a.id == ids_[0] && b.id == ids_[1]) || (a.id == ids_[1] && b.id == ids_[0]);
    }

    Gesture Finish() {
        if (!following_) {
            return Gesture{};
        }
        following_ = false;
        Gesture end = last_;
        end.phase = Phase::End;
        end.stepScale = 1.0;
        end.stepRotation = 0.0;
        end.stepPanX = 0.0;
        end.stepPanY = 0.0;
        return end;
    }

    bool following_ = false;
    std::array<int, 2> ids_{};
    double startDistance_ = 0.0;
    double startX_ = 0.0;
    double startY_ = 0.0;
    double lastAngle_ = 0.0;
    Gesture last_;
};

}  // namespace workflow
