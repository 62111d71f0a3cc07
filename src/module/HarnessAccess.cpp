#include "module/HarnessAccess.h"

#include "dom/MessageQueue.h"
#include "manager/WorkflowManagerImpl.h"
#include "rzk/View.h"
#include "workflows/Workflow.h"

namespace workflow::harness {

namespace {

// Every manager handed to these functions was made by MakeManager.
WorkflowManagerImpl& Impl(rzk::WorkflowManager& manager) {
    return dynamic_cast<WorkflowManagerImpl&>(manager);
}

}  // namespace

du::SmartPtr<rzk::WorkflowManager> MakeManager(const du::SmartPtr<rzk::View>& view,
                                               const du::SmartPtr<dom::GenericMessageQueue>& queue) {
    du::SmartPtr<WorkflowManagerImpl> manager(new WorkflowManagerImpl);
    // As the module does: the view first, then management, which makes the observers and starts the tick.
    manager->SetView(view);
    manager->ManageSelf(queue, du::Symbol(), 0);
    return manager;
}

void Install(rzk::WorkflowManager& manager, const du::SmartPtr<Workflow>& workflow) {
    Impl(manager).InstallWorkflow(workflow);
}

bool Dispatch(rzk::WorkflowManager& manager, const Msg& message) {
    return Impl(manager).DispatchMessage(message);
}

std::string StatusField(rzk::WorkflowManager& manager, int field) {
    return Impl(manager).GetStatusField(field);
}

bool HoldsExclusive(rzk::WorkflowManager& manager, const du::Symbol& name) {
    WorkflowManagerImpl& impl = Impl(manager);
    for (const WorkflowStack::Entry& entry : impl.GetStack().Entries()) {
        if (entry.workflow && entry.workflow->GetWorkflowName() == name) {
            return impl.HoldsExclusive(entry.workflow);
        }
    }
    return false;
}

std::vector<StackEntry> Stack(rzk::WorkflowManager& manager) {
    std::vector<StackEntry> entries;
    for (const WorkflowStack::Entry& entry : Impl(manager).GetStack().Entries()) {
        entries.push_back(
            {entry.priority, entry.workflow ? entry.workflow->GetWorkflowName() : du::Symbol()});
    }
    return entries;
}

}  // namespace workflow::harness
