#include "BoxSelectWorkflow.h"

#include <algorithm>
#include <vector>

#include "SelectWorkflow.h"
#include "messages/ConstStrings.h"
#include "rzk/SelectionManager.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

BoxSelectWorkflow::BoxSelectWorkflow() : ExampleWorkflow("boxselect", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgMouseInitLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftDrag, false);
    AddMsgTypeHandled(ConstStrings::MsgMouseLeftUp, false);
    AddMsgTypeHandled(ConstStrings::MsgKeyPress, false);
    SetActive(true);
}

void BoxSelectWorkflow::OnRemove() {
    EndBand();
}

bool BoxSelectWorkflow::OnMsgMouseInitLeftDrag(int x, int y) {
    Handled("MsgMouseInitLeftDrag", x, y);
    if (!GetShiftPressed()) {
        return false;
    }
    dragging_ = true;
    fromX_ = x;
    fromY_ = y;
    ShowBand(x, y);
    return true;
}

bool BoxSelectWorkflow::OnMsgMouseLeftDrag(int x, int y) {
    Handled("MsgMouseLeftDrag", x, y);
    if (!dragging_) {
        return false;
    }
    ShowBand(x, y);
    return true;
}

bool BoxSelectWorkflow::OnMsgMouseLeftUp(int x, int y) {
    Handled("MsgMouseLeftUp", x, y);
    if (!dragging_) {
        return false;
    }
    EndBand();
    du::SmartPtr<rzk::SelectionManager> selection;
    if (GetScene()) {
        GetScene()->GetSelectionManager(selection);
    }
    if (!selection) {
        return true;
    }
    std::vector<unsigned int> inside;
    if (!GetView() || !GetView()->PickInstancesInside(fromX_, fromY_, x, y, inside)) {
        // No host geometry: every grid cell the box touches.
        for (int row = std::max(std::min(fromY_, y), 0) / 100; row <= std::max(fromY_, y) / 100; ++row) {
            for (int column = std::max(std::min(fromX_, x), 0) / 100;
                 column <= std::min(std::max(fromX_, x), 999) / 100; ++column) {
                inside.push_back(SelectWorkflow::InstanceAt(column * 100, row * 100));
            }
        }
    }
    selection->ClearInstances();
    for (unsigned int instance : inside) {
        if (instance != 0) {
            selection->AddInstance(instance);
        }
    }
    return true;
}

bool BoxSelectWorkflow::OnMsgKeyPress(const std::string& utf8Key, const du::Symbol& systemKey) {
    Handled("MsgKeyPress", DescribeKey(utf8Key, systemKey));
    if (!dragging_ || utf8Key != "\x1b") {
        return false;
    }
    EndBand();  // the release that follows finds no drag: the selection stays as it was
    return true;
}

// Each step of the drag puts a new rectangle in the place of the last: drawn annotations do not change.
void BoxSelectWorkflow::ShowBand(int x, int y) {
    const du::SmartPtr<rzk::AnnoSet> annotations = GetAnnotations();
    if (!annotations) {
        return;
    }
    du::SmartPtr<rzk::Annotation> band(
        rzk::DrawnAnnotation::Rectangle({fromX_, fromY_}, {x, y}, FEEDBACK_COLOR));
    annotations->Replace(band_, band);
    band_ = band;
}

void BoxSelectWorkflow::EndBand() {
    dragging_ = false;
    if (const du::SmartPtr<rzk::AnnoSet> annotations = GetAnnotations()) {
        annotations->Remove(band_);
    }
    band_ = nullptr;
}

}  // namespace examples
