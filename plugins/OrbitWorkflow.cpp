#include "OrbitWorkflow.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "messages/ConstStrings.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

OrbitWorkflow::OrbitWorkflow() : ExampleWorkflow("orbit", PRIORITY) {
    // A drag arrives as MsgMouseLeftDown, MsgMouseInitLeftDrag (at the press), then MsgMouseMove and
    // MsgMouseLeftDrag for each move, and MsgMouseLeftUp: the press alone is not ours, since it may still
    // become a click.
    AddMsgTypeHandled(ConstStrings::MsgMouseInitLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftUp, false);
    AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, false);
    AddMsgTypeHandled(ConstStrings::MsgSetMode, false);
    AddMsgTypeHandled(ConstStrings::MsgTouch, false);
    AddMsgTypeHandled(ConstStrings::MsgMotionEvent, false);
    SetActive(true);
}

bool OrbitWorkflow::OnMsgMouseInitLeftDrag(int x, int y) {
    Handled("MsgMouseInitLeftDrag", x, y);
    dragging_ = true;
    lastX_ = x;
    lastY_ = y;
    SetCursor(GetPriority(), "rotate");
    return true;
}

bool OrbitWorkflow::OnMsgMouseLeftDrag(int x, int y) {
    Handled("MsgMouseLeftDrag", x, y);
    if (!dragging_ || !GetView()) {
        return false;
    }
    Turn((x - lastX_) * speed_, (y - lastY_) * speed_);
    lastX_ = x;
    lastY_ = y;
    return true;
}

void OrbitWorkflow::Turn(double yaw, double pitch) {
    rzk::Camera& camera = *GetView()->GetCamera();
    camera.SetAngles(camera.GetYaw() + yaw, std::clamp(camera.GetPitch() + pitch, -90.0, 90.0));
    // Moves bring no status pass of their own (a press, a release or a key does): ask for one, so that the
    // angles follow the drag.
    UpdateStatusMessage();
}

void OrbitWorkflow::OnGesture(const Gesture& gesture) {
    if (gesture.phase == Phase::Update && gesture.stepRotation != 0.0 && GetView()) {
        Turn(gesture.stepRotation * speed_, 0.0);
    }
}

bool OrbitWorkflow::OnMotionEvent(long long translationX, long long translationY, long long translationZ,
                                  long long rotationX, long long rotationY, long long rotationZ,
                                  unsigned long long period) {
    Handled("MsgMotionEvent", translationX, translationY, translationZ, rotationX, rotationY, rotationZ,
            period);
    if (!GetView() || (rotationX == 0 && rotationY == 0)) {
        return false;
    }
    // Turning the cap about the vertical axis turns the yaw; tilting it forward tilts the pitch.
    Turn(static_cast<double>(rotationY) / MOTION_PER_DEGREE * speed_,
         static_cast<double>(rotationX) / MOTION_PER_DEGREE * speed_);
    return false;  // the pan below follows the same motion's translation
}

bool OrbitWorkflow::OnMsgMouseLeftUp(int x, int y) {
    Handled("MsgMouseLeftUp", x, y);
    if (!dragging_) {
        return false;
    }
    dragging_ = false;
    // The request stays until withdrawn, so the drag's end takes it back: an unset cursor withdraws.
    SetCursor(GetPriority(), du::Symbol());
    return true;
}

bool OrbitWorkflow::OnMsgUpdateStatusBar() {
    if (GetView()) {
        const rzk::Camera& camera = *GetView()->GetCamera();
        SetStatusMessage(0, "yaw " + std::to_string(std::lround(camera.GetYaw())) + " pitch " +
                                std::to_string(std::lround(camera.GetPitch())));
    }
    return false;  // the workflows below write their own fields in this pass
}

bool OrbitWorkflow::OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                              const du::SmartPtr<du::RefCounted>&, int modeNumber) {
    Handled("MsgSetMode", workflowName, modeString, modeNumber);
    if (modeString != du::Symbol("speed") || modeNumber < 1) {
        return false;
    }
    speed_ = modeNumber;
    return true;
}

}  // namespace examples
