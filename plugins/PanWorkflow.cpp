#include "PanWorkflow.h"

#include "messages/ConstStrings.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

PanWorkflow::PanWorkflow() : ExampleWorkflow("pan", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgMouseInitMiddleDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseMiddleDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseMiddleUp, false);
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
    rzk::Camera& camera = *GetView()->GetCamera();
    camera.SetPan(camera.GetPanX() + (x - lastX_), camera.GetPanY() + (y - lastY_));
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

}  // namespace examples
