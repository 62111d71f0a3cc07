#pragma once

#include "ExampleWorkflow.h"

namespace examples {

// Left drag turns the camera around the model: a pixel across is a degree of yaw, a pixel down a degree
// of pitch (times the speed set by the mode message "speed"). Shows "yaw <y> pitch <p>" in status field 0
// and the "rotate" cursor while the button is down. A two-finger turn turns the yaw with the fingers, and a
// 3D mouse's rotation turns yaw and pitch (MOTION_PER_DEGREE of its units a degree).
class OrbitWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 100;
    static constexpr double MOTION_PER_DEGREE = 100.0;

    OrbitWorkflow();

    bool OnMsgMouseInitLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftDrag(int x, int y) override;
    bool OnMsgMouseLeftUp(int x, int y) override;
    bool OnMsgUpdateStatusBar() override;
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;

    bool OnMotionEvent(long long translationX, long long translationY, long long translationZ,
                       long long rotationX, long long rotationY, long long rotationZ,
                       unsigned long long period) override;

protected:
    void OnGesture(const Gesture& gesture) override;

private:
    void Turn(double yaw, double pitch);

    bool dragging_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int speed_ = 1;
};

}  // namespace examples
