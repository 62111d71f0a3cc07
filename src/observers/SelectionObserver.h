#pragma once

#include "du/SmartPtr.h"
#include "rzk/SelectionManager.h"
#include "rzk/SelectionObserver.h"

namespace rzk {
class View;
}

namespace workflow {

class WorkflowManagerImpl;

// Turns changes of the scene's selection into "MsgSelectionChanged". Its subject is the selection manager
// of the view's scene; a view without a scene (or a scene without a selection manager) leaves it without
// one, and it then registers nowhere. It has no detach callbacks: it leaves the selection manager in its
// destructor.
class SelectionObserver : public rzk::SelectionObserver {
public:
    SelectionObserver(const du::SmartPtr<rzk::View>& view, WorkflowManagerImpl* manager);
    ~SelectionObserver() override;

    // Queue thread only.
    void OnManage() override;
    // Queue thread only.
    void OnSelectionChanged(unsigned int listId, bool clear, const ItemList& removed,
                            const ItemList& added) override;

private:
    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::SelectionManager> subject_;
};

}  // namespace workflow
