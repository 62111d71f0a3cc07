#include "PanWorkflow.h"

#include "messages/ConstStrings.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

PanWorkflow::PanWorkflow() : ExampleWorkflow("pan", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgMouseInitMiddleDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseMiddleDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseMiddleUp, false);
    AddMsgTypeHandled(ConstStrings::MsgTouch, false);
    AddMsgTypeHandled(ConstStrings::MsgMotionEvent, false);
    SetActive(true);
}

bool PanWorkflow::OnMsgMouseInitMiddleDrag(int x, int y) {
    Handled("MsgMouseInitMiddleDrag", x, y);
    dragging_ = true;
    lastX_ = x;
    lastY_ = y;
    SetCursor(GetPriority(), "pan");
    return true;
}

bool PanWorkflow::OnMsgMouseMiddleDrag(int x, int y) {
    Handled("MsgMouseMiddleDrag", x, y);
    if (!dragging_ || !GetView()) {
        return false;
    }
    MoveBy(x - lastX_, y - lastY_);
    lastX_ = x;
    lastY_ = y;
    return true;
}

bool PanWorkflow::OnMsgMouseMiddleUp(int x, int y) {
    Handled("MsgMouseMiddleUp", x, y);
    if (!dragging_) {
        return false;
    }
    dragging_ = false;
    SetCursor(GetPriority(), du::Symbol());
    return true;
}

void PanWorkflow::MoveBy(double x, double y) {
    rzk::Camera& camera = *GetView()->GetCamera();
    camera.SetPan(camera.GetPanX() + x, camera.GetPanY() + y);
}

void PanWorkflow::OnGesture(const Gesture& gesture) {
    if (gesture.phase == Phase::Update && GetView()) {
        MoveBy(gesture.stepPanX, gesture.stepPanY);
    }
}

bool PanWorkflow::OnMotionEvent(long long translationX, long long translationY, long long translationZ,
                                long long rotationX, long long rotationY, long long rotationZ,
                                unsigned long long period) {
    Handled("MsgMotionEvent", translationX, translationY, translationZ, rotationX, rotationY, rotationZ,
            period);
    if (GetView() && (translationX != 0 || translationY != 0)) {
        // The device's y points up, the window's down.
        MoveBy(static_cast<double>(translationX) / MOTION_PER_PIXEL,
               -static_cast<double>(translationY) / MOTION_PER_PIXEL);
    }
    return false;  // the orbit below follows the same motion's rotation
}

}  // namespace examples
