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
    rzk::Camera& camera = *GetView()->GetCamera();
    const double pitch = std::clamp(camera.GetPitch() + (y - lastY_) * speed_, -90.0, 90.0);
    camera.SetAngles(camera.GetYaw() + (x - lastX_) * speed_, pitch);
    lastX_ = x;
    lastY_ = y;
    // Moves bring no status pass of their own (a press, a release or a key does): ask for one, so that the
    // angles follow the drag.
    UpdateStatusMessage();
    return true;
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
