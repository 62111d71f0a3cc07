#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// Middle drag moves the model with the pointer, showing the "pan" cursor while the button is down. Two
// fingers moving together move it the same way, and a 3D mouse's sideways and up-down push moves it
// (MOTION_PER_PIXEL of its units a pixel).
class PanWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 110;
    static constexpr double MOTION_PER_PIXEL = 10.0;

    PanWorkflow();

    bool OnMsgMouseInitMiddleDrag(int x, int y) override;
    bool OnMsgMouseMiddleDrag(int x, int y) override;
    bool OnMsgMouseMiddleUp(int x, int y) override;

    bool OnMotionEvent(long long translationX, long long translationY, long long translationZ,
                       long long rotationX, long long rotationY, long long rotationZ,
                       unsigned long long period) override;

protected:
    void OnGesture(const Gesture& gesture) override;

private:
    void MoveBy(double x, double y);

    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
};

}  // namespace examples
