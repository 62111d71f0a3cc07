#include "ZoomWorkflow.h"

#include <cmath>
#include <cstdio>

#include "animation/Engine.h"
#include "manager/WorkflowManagerCore.h"
#include "messages/ConstStrings.h"
#include "observers/AnimationEvent.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

ZoomWorkflow::ZoomWorkflow() : ExampleWorkflow("zoom", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgMouseWheel, false);
    AddMsgTypeHandled(ConstStrings::MsgKeyPress, false);
    AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, false);
    AddMsgTypeHandled(ConstStrings::MsgSetMode, false);
    AddMsgTypeHandled(ConstStrings::MsgAnimationFinished, false);
    AddMsgTypeHandled(ConstStrings::MsgTouch, false);
    SetActive(true);
}

bool ZoomWorkflow::OnMsgMouseWheel(int x, int y, short delta) {
    Handled("MsgMouseWheel", x, y, delta);
    if (!GetView()) {
        return false;
    }
    ZoomTo(GetView()->GetCamera()->GetZoom() * std::pow(1.1, -delta / 120.0));
    return true;
}

bool ZoomWorkflow::OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) {
    Handled("MsgKeyPress", DescribeKey(utf8Key, systemKey));
    if (!GetView()) {
        return false;
    }
    const double zoom = GetView()->GetCamera()->GetZoom();
    if (utf8Key == "+") {
        ZoomTo(zoom * 1.1);
    } else if (utf8Key == "-") {
        ZoomTo(zoom / 1.1);
    } else if (utf8Key == "f") {
        // Whoever controls the selection answers how much is selected; the stand-in scene has no geometry
        // to frame, so a selection is fitted at a zoom of 2.
        du::Symbol controller;
        int selected = 0;
        du::SmartPtr<du::RefCounted> selection;
        const bool answered =
            SendQuery(ConstStrings::QuerySelectionController, controller, selected, selection);
        ZoomTo(answered && selected > 0 ? 2.0 : 1.0);
    } else {
        return false;  // other keys, Escape among them, are left to the others
    }
    return true;
}

bool ZoomWorkflow::OnMsgUpdateStatusBar() {
    if (GetView()) {
        char text[32];
        std::snprintf(text, sizeof text, "zoom %.2f", GetView()->GetCamera()->GetZoom());
        SetStatusMessage(1, text);
    }
    return false;
}

bool ZoomWorkflow::OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                             const du::SmartPtr<du::RefCounted>&, int modeNumber) {
    Handled("MsgSetMode", workflowName, modeString, modeNumber);
    if (modeString != du::Symbol("reset")) {
        return false;
    }
    ZoomTo(1.0);
    return true;
}

bool ZoomWorkflow::OnMsgAnimationFinished() {
    Handled("MsgAnimationFinished");
    return false;
}

void ZoomWorkflow::OnGesture(const Gesture& gesture) {
    if (!GetView()) {
        return;
    }
    rzk::Camera& camera = *GetView()->GetCamera();
    if (gesture.phase == Phase::Begin) {
        pinchStart_ = camera.GetZoom();
    } else if (gesture.phase == Phase::Update) {
        // Follows the fingers without an animation, which would trail behind them.
        camera.SetZoom(pinchStart_ * gesture.scale);
        UpdateStatusMessage();
    }
}

void ZoomWorkflow::ZoomTo(double zoom) {
    GetView()->GetCamera()->SetZoom(zoom);
    // The wheel brings no status pass of its own: ask for one, which writes the new zoom.
    UpdateStatusMessage();
    workflow::WorkflowManagerCore* core = GetManagerCore();
    if (!core) {
        return;
    }
    // The manager asks the loader again after every failed lookup, and a loader that names an animation
    // actor which never appears makes each lookup wait its full timeout (10 s): a zoom that asked on every
    // notch would freeze the view each time. So the engine, or its absence, is asked for once per view (a
    // workflow object serves one manager).
    if (!engineAsked_) {
        engineAsked_ = true;
        core->GetAnimationEngine(engine_);
    }
    if (engine_) {
        // The event tells this manager's workflows when the animation is over (MsgAnimationFinished). A
        // manager that cannot make one gives none, and the engine ignores an empty event.
        engine_->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(core->CreateAnimationEvent(false)), 3);
    }
}

}  // namespace examples
