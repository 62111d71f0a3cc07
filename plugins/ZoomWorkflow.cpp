#include "ZoomWorkflow.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "animation/Engine.h"
#include "manager/WorkflowManagerCore.h"
#include "messages/ConstStrings.h"
#include "observers/AnimationEvent.h"
#include "rzk/SelectionManager.h"
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
        Fit();
    } else {
        return false;  // other keys, Escape among them, are left to the others
    }
    return true;
}

// Frames the selection, or everything when nothing is selected. Whoever controls the selection answers
// what is selected; the host answers where it is drawn. A host without geometry (the stand-in scene) is
// fitted at a zoom of 2 for a selection, and for everything at zoom 1 with no pan, as the view starts.
void ZoomWorkflow::Fit() {
    du::Symbol controller;
    int selected = 0;
    du::SmartPtr<du::RefCounted> answer;
    const bool answered = SendQuery(ConstStrings::QuerySelectionController, controller, selected, answer);
    std::vector<unsigned int> ids;
    if (const auto* selection = dynamic_cast<rzk::SelectionManager*>(answer.Get()); answered && selection) {
        ids = selection->GetInstances();
    }
    rzk::View::InstanceBounds bounds;
    if (!GetView()->GetInstanceBounds(ids, bounds)) {
        if (answered && selected > 0) {
            ZoomTo(2.0);
        } else {
            GetView()->GetCamera()->SetPan(0, 0);  // everything: the view as it starts
            ZoomTo(1.0);
        }
        return;
    }
    // A tenth of the view is left around what is framed; a single point is framed at zoom 1.
    const double width = bounds.right - bounds.left;
    const double height = bounds.bottom - bounds.top;
    double zoom = 1.0;
    if (width > 0 || height > 0) {
        zoom = 0.9 * std::min(width > 0 ? bounds.areaWidth / width : HUGE_VAL,
                              height > 0 ? bounds.areaHeight / height : HUGE_VAL);
    }
    zoom = std::clamp(zoom, 1e-3, 1e3);
    GetView()->GetCamera()->SetPan(-zoom * (bounds.left + bounds.right) / 2,
                                   -zoom * (bounds.top + bounds.bottom) / 2);
    ZoomTo(zoom);
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
