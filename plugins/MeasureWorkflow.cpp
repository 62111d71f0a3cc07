#include "MeasureWorkflow.h"

#include <cmath>
#include <cstdio>

#include "messages/ConstStrings.h"

namespace examples {
namespace {

std::string OneDecimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

using workflow::ConstStrings;

MeasureWorkflow::MeasureWorkflow() : ExampleWorkflow("measure", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftDown, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseInitLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgClickLeft, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftUp, false);
    AddMsgTypeHandled(ConstStrings::MsgClickRight, false);
    AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, false);
    SetActive(true);
}

void MeasureWorkflow::OnAdd() {
    SetCursor(GetPriority(), "cross");
}

void MeasureWorkflow::OnRemove() {
    // The manager keeps a cursor request after its workflow is gone (unlike exclusive claims): take it back.
    SetCursor(GetPriority(), du::Symbol());
    HideMeasurement();
}

bool MeasureWorkflow::OnMsgMouseLeftDown(int x, int y) {
    Handled("MsgMouseLeftDown", x, y);
    measuring_ = true;
    fromX_ = toX_ = x;
    fromY_ = toY_ = y;
    du::Symbol moves[] = {ConstStrings::MsgMouseMove};
    SetExclusive(moves, 1);
    ShowMeasurement();
    return true;
}

bool MeasureWorkflow::OnMsgMouseMove(int x, int y) {
    Handled("MsgMouseMove", x, y);
    if (!measuring_) {
        return false;
    }
    toX_ = x;
    toY_ = y;
    measured_ = true;
    ShowMeasurement();
    UpdateStatusMessage();  // moves bring no status pass of their own
    return true;
}

// While measuring, the drag is the measurement: nobody below may turn it into a rotation.
bool MeasureWorkflow::OnMsgMouseInitLeftDrag(int x, int y) {
    Handled("MsgMouseInitLeftDrag", x, y);
    return measuring_;
}

bool MeasureWorkflow::OnMsgMouseLeftDrag(int x, int y) {
    Handled("MsgMouseLeftDrag", x, y);
    return measuring_;
}

bool MeasureWorkflow::OnMsgClickLeft(int x, int y) {
    Handled("MsgClickLeft", x, y);
    return measuring_;
}

bool MeasureWorkflow::OnMsgMouseLeftUp(int x, int y) {
    Handled("MsgMouseLeftUp", x, y);
    if (!measuring_) {
        return false;
    }
    measuring_ = false;
    toX_ = x;
    toY_ = y;
    measured_ = true;
    UnsetExclusive();
    HideMeasurement();
    const double distance = Distance();
    SendNotification("distance", static_cast<int>(std::lround(distance)),
                     du::SmartPtr<du::RefCounted>(new du::TextData(OneDecimal(distance))));
    return true;
}

bool MeasureWorkflow::OnMsgClickRight(int x, int y) {
    Handled("MsgClickRight", x, y);
    Complete(true);  // persistent or not, a right click ends the tool
    return true;
}

bool MeasureWorkflow::OnMsgUpdateStatusBar() {
    if (measured_) {
        SetStatusMessage(2, "distance " + OneDecimal(Distance()));
    }
    return false;
}

double MeasureWorkflow::Distance() const {
    return std::hypot(toX_ - fromX_, toY_ - fromY_);
}

// Each move puts a new line and label in the place of the last ones: drawn annotations do not change.
void MeasureWorkflow::ShowMeasurement() {
    const du::SmartPtr<rzk::AnnoSet> annotations = GetAnnotations();
    if (!annotations) {
        return;
    }
    du::SmartPtr<rzk::Annotation> line(
        rzk::DrawnAnnotation::Polyline({{fromX_, fromY_}, {toX_, toY_}}, FEEDBACK_COLOR));
    du::SmartPtr<rzk::Annotation> label(
        rzk::DrawnAnnotation::Text({toX_ + 8, toY_ - 12}, OneDecimal(Distance()), FEEDBACK_COLOR));
    annotations->Replace(line_, line);
    annotations->Replace(label_, label);
    line_ = line;
    label_ = label;
}

void MeasureWorkflow::HideMeasurement() {
    if (const du::SmartPtr<rzk::AnnoSet> annotations = GetAnnotations()) {
        annotations->Remove(line_);
        annotations->Remove(label_);
    }
    line_ = nullptr;
    label_ = nullptr;
}

}  // namespace examples
