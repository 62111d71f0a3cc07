#include "SelectWorkflow.h"

#include <algorithm>
#include <vector>

#include "messages/ConstStrings.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/View.h"

namespace examples {

using workflow::ConstStrings;

SelectWorkflow::SelectWorkflow() : ExampleWorkflow("select", PRIORITY) {
    AddMsgTypeHandled(ConstStrings::MsgClickLeft, false);
    AddMsgTypeHandled(ConstStrings::MsgSetMode, false);
    SetActive(true);
}

unsigned int SelectWorkflow::InstanceAt(int x, int y) {
    if (x < 0 || y < 0 || x >= 1000) {
        return 0;
    }
    return static_cast<unsigned int>(y / 100 * 10 + x / 100 + 1);
}

bool SelectWorkflow::OnMsgClickLeft(int x, int y) {
    Handled("MsgClickLeft", x, y);
    du::SmartPtr<rzk::SelectionManager> selection = GetSelection();
    // A host that renders knows what it drew there; otherwise the grid stands in for the geometry.
    unsigned int instance = 0;
    if (!GetView() || !GetView()->PickInstance(x, y, instance)) {
        instance = InstanceAt(x, y);
    }
    if (!selection) {
        return false;
    }
    if (instance == 0) {
        selection->ClearInstances();  // a click on nothing selects nothing
        return true;
    }
    const std::vector<unsigned int> selected = selection->GetInstances();
    if (GetControlPressed() && std::find(selected.begin(), selected.end(), instance) != selected.end()) {
        selection->RemoveInstance(instance);
    } else {
        selection->AddInstance(instance);
    }
    return true;
}

bool SelectWorkflow::OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                               const du::SmartPtr<du::RefCounted>&, int modeNumber) {
    Handled("MsgSetMode", workflowName, modeString, modeNumber);
    du::SmartPtr<rzk::SelectionManager> selection = GetSelection();
    if (!selection) {
        return false;
    }
    if (modeString == du::Symbol("add") && modeNumber > 0) {
        selection->AddInstance(static_cast<unsigned int>(modeNumber));
    } else if (modeString == du::Symbol("remove") && modeNumber > 0) {
        selection->RemoveInstance(static_cast<unsigned int>(modeNumber));
    } else if (modeString == du::Symbol("clear")) {
        selection->ClearInstances();
    } else {
        return false;
    }
    return true;
}

bool SelectWorkflow::HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                                 du::SmartPtr<du::RefCounted>& object) {
    du::SmartPtr<rzk::SelectionManager> selection = GetSelection();
    if (query != ConstStrings::QuerySelectionController || !selection) {
        return false;
    }
    symbol = GetWorkflowName();
    number = static_cast<int>(selection->GetInstances().size());
    object = du::SmartPtr<du::RefCounted>(selection.Get());
    return true;
}

du::SmartPtr<rzk::SelectionManager> SelectWorkflow::GetSelection() const {
    du::SmartPtr<rzk::SelectionManager> selection;
    if (GetScene()) {
        GetScene()->GetSelectionManager(selection);
    }
    return selection;
}

}  // namespace examples
