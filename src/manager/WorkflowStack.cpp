#include "manager/WorkflowStack.h"

#include <utility>

#include "workflows/Workflow.h"

namespace workflow {

WorkflowStack::WorkflowStack() = default;
WorkflowStack::~WorkflowStack() = default;

WorkflowStack::WalkScope::~WalkScope() {
    if (--stack_.walkDepth_ == 0) {
        // Pop before releasing: a destructor that dispatches again must not see this entry twice.
        while (!stack_.retired_.empty()) {
            du::SmartPtr<Workflow> last = std::move(stack_.retired_.back());
            stack_.retired_.pop_back();
        }
    }
}

void WorkflowStack::Enter(unsigned int priority, const du::SmartPtr<Workflow>& workflow) {
    entries_.emplace(priority, workflow);
    ++version_;
}

du::SmartPtr<Workflow> WorkflowStack::Erase(iterator entry) {
    du::SmartPtr<Workflow> taken = std::move(entry->second);
    entries_.erase(entry);
    ++version_;
    return taken;
}

void WorkflowStack::Retire(du::SmartPtr<Workflow>&& workflow) {
    if (walkDepth_ > 0) {
        retired_.push_back(std::move(workflow));
    } else {
        workflow = nullptr;
    }
}

}  // namespace workflow
