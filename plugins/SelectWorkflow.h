#pragma once

#include "ExampleWorkflow.h"
#include "rzk/SelectionManager.h"

namespace examples {

// A left click adds the shape instance under the pointer to the selection (as the view's picker answers,
// else by the grid of InstanceAt), a Ctrl+click toggles it, and a click on nothing clears the selection.
// The mode message "add" selects instance <number>, "remove" deselects it and "clear" empties the
// selection. Answers the query QuerySelectionController with its own name,
// the number of selected instances and the selection manager.
class SelectWorkflow : public ExampleWorkflow {
public:
    static constexpr unsigned int PRIORITY = 130;

    SelectWorkflow();

    // Without a host picker the stand-in scene has no geometry to pick from: its instances sit on a grid of
    // 100-pixel cells, ten to a row, numbered from 1 at the top left.
    static unsigned int InstanceAt(int x, int y);

    bool OnMsgClickLeft(int x, int y) override;
    bool OnMsgMode(const du::Symbol& workflowName, const du::Symbol& modeString,
                   const du::SmartPtr<du::RefCounted>& modeObject, int modeNumber) override;
    bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                     du::SmartPtr<du::RefCounted>& object) override;

private:
    du::SmartPtr<rzk::SelectionManager> GetSelection() const;
};

}  // namespace examples
