#include "manager/WorkflowStack.h"

#include <algorithm>
#include <utility>

#include "workflows/Workflow.h"

namespace workflow {
namespace {

// Entries are sorted by descending priority.
struct Above {
    bool operator()(const WorkflowStack::Entry& entry, unsigned int priority) const {
        return entry.priority > priority;
    }
    bool operator()(unsigned int priority, const WorkflowStack::Entry& entry) const {
        return priority > entry.priority;
    }
};

}  // namespace

WorkflowStack::WorkflowStack() = default;
WorkflowStack::~WorkflowStack() = default;

WorkflowStack::iterator WorkflowStack::Find(unsigned int priority) {
    auto found = std::lower_bound(entries_.begin(), entries_.end(), priority, Above{});
    return found != entries_.end() && found->priority == priority ? found : entries_.end();
}

WorkflowStack::Entry* WorkflowStack::Below(unsigned int priority) {
    return First() +
           (std::upper_bound(entries_.begin(), entries_.end(), priority, Above{}) - entries_.begin());
}

bool WorkflowStack::Holds(unsigned int priority, const Workflow* workflow, std::uint64_t serial) {
    auto entry = Find(priority);
    return entry != entries_.end() && entry->workflow.Get() == workflow && entry->serial == serial;
}

std::uint64_t WorkflowStack::Enter(unsigned int priority, const du::SmartPtr<Workflow>& workflow) {
    auto position = std::lower_bound(entries_.begin(), entries_.end(), priority, Above{});
    const std::uint64_t serial = ++nextSerial_;
    entries_.insert(position, Entry{priority, workflow, serial});
    ++version_;
    return serial;
}

du::SmartPtr<Workflow> WorkflowStack::Erase(iterator entry) {
    du::SmartPtr<Workflow> taken = std::move(entry->workflow);
    entries_.erase(entry);
    ++version_;
    return taken;
}

void WorkflowStack::Retire(du::SmartPtr<Workflow>&& workflow) {
    Walk* keeper = nullptr;
    for (Walk* walk = innermost_; walk; walk = walk->outer_) {
        if (walk->calling_ == workflow.Get()) {
            keeper = walk;  // the outermost one returns last
        }
    }
    if (keeper && !keeper->kept_) {
        keeper->kept_ = std::move(workflow);
    } else {
        // Not running, or already kept by its walk (it was installed again and removed again meanwhile).
        workflow = nullptr;
    }
}

}  // namespace workflow
