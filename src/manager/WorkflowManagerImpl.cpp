#include "manager/WorkflowManagerImpl.h"

#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>

#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/Msg.h"
#include "messages/WorkflowChangedMsg.h"
#include "rzk/View.h"
#include "workflows/Workflow.h"

namespace workflow {
namespace {

// Input that starts something new, a reset and any change of the stack interrupt running animations.
bool InterruptsAnimations(const du::Symbol& name) {
    return name == ConstStrings::MsgMouseLeftDown || name == ConstStrings::MsgMouseMiddleDown ||
           name == ConstStrings::MsgMouseRightDown || name == ConstStrings::MsgMouseWheel ||
           name == ConstStrings::MsgReset || name == ConstStrings::MsgWorkflowChanged;
}

bool IsEscapeKey(const Msg& message) {
    if (message.GetName() != ConstStrings::MsgKeyPress) {
        return false;
    }
    const std::string& key = static_cast<const KeyMsg&>(message).GetUtf8Key();
    return key.size() == 1 && key[0] == '\x1b';
}

}  // namespace

WorkflowManagerImpl::WorkflowManagerImpl() : cursorRequests_(std::in_place) {
    SetCursorEntry(rzk::WorkflowManager::PTR_DEFAULT, du::Symbol::EMPTY);
}

WorkflowManagerImpl::~WorkflowManagerImpl() {
    Teardown();
}

void WorkflowManagerImpl::SetView(const du::SmartPtr<rzk::View>& view) {
    view_ = view;
}

bool WorkflowManagerImpl::DispatchMessage(const Msg& message) {
    const du::Symbol& name = message.GetName();

    // Interruption comes first so that a workflow reacting to the input sees the animations stopped.
    if (!animationEvents_.empty() && InterruptsAnimations(name)) {
        CancelAnimationEvents();
    }

    WorkflowStack::WalkScope walk(stack_);

    // Exclusive delivery: the claimant alone decides, unless it throws; then the whole stack is asked,
    // the claimant included.
    if (!exclusiveHandlers_.Empty()) {
        if (du::SmartPtr<Workflow> claimant = exclusiveHandlers_.Find(name)) {
            try {
                return claimant->HandleMsg(message);
            } catch (...) {
                ReportHandlerException(name, *claimant);
            }
        }
    }

    // The walk goes from the highest priority down. A handler may change the stack; the next entry is then
    // looked up again below the priority just visited, so workflows installed below it are still visited,
    // ones installed above it are not, and removed ones are skipped. Retired workflows stay alive until the
    // walk ends, so the raw pointer stays valid through the call.
    for (auto entry = stack_.begin(); entry != stack_.end();) {
        const unsigned int priority = entry->first;
        Workflow* workflow = entry->second.Get();
        const std::uint64_t version = stack_.Version();
        try {
            if (workflow->HandleMsg(message)) {
                return true;
            }
        } catch (...) {
            ReportHandlerException(name, *workflow);
        }
        entry = version == stack_.Version() ? std::next(entry) : stack_.FirstBelow(priority);
    }

    // An Escape that nobody wanted dismisses the topmost temporary workflow.
    if (IsEscapeKey(message) && !stack_.Empty()) {
        auto top = stack_.begin();
        if (top->second->GetPriority() > rzk::WorkflowManager::MAX_STATIC_PRIORITY) {
            UninstallWorkflow(top, true);
        }
    }
    return false;
}

void WorkflowManagerImpl::ReportHandlerException(const du::Symbol& messageName, const Workflow& workflow) {
    std::string line = "Exception handling workflow message \"";
    line += messageName.View();
    line += "\" with workflow \"";
    line += workflow.GetWorkflowName().View();
    line += "\"\n";
    std::cerr << line << std::flush;
}

void WorkflowManagerImpl::InstallWorkflow(const du::SmartPtr<Workflow>& workflow) {
    if (!workflow) {
        return;
    }
    du::SmartPtr<Workflow> installed = workflow;
    const unsigned int priority = installed->GetPriority();
    du::Symbol replacedName = du::Symbol::EMPTY;
    auto existing = stack_.Find(priority);
    if (existing != stack_.end()) {
        replacedName = existing->second->GetWorkflowName();
        UninstallWorkflow(existing, false);
    }
    EnterWorkflow(installed, priority, replacedName);
}

void WorkflowManagerImpl::EnterWorkflow(const du::SmartPtr<Workflow>& workflow, unsigned int priority,
                                        const du::Symbol& replacedName) {
    stack_.Enter(priority, workflow);
    ReportWorkflowChange(replacedName, workflow->GetWorkflowName(), priority, true, du::Symbol::EMPTY);
    // The new workflow is already in the stack and is offered its own announcement.
    DispatchMessage(
        WorkflowChangedMsg(ConstStrings::MsgWorkflowChanged, workflow, workflow->GetPriority(), true));
    workflow->SetManager(this);
    workflow->SetView(view_);
    workflow->OnAdd();
}

void WorkflowManagerImpl::UninstallWorkflow(StackEntry entry, bool announce) {
    du::SmartPtr<Workflow> workflow = stack_.Erase(entry);
    workflow->OnRemove();
    workflow->SetView(nullptr);
    workflow->SetManager(nullptr);
    if (exclusiveHandlers_.Holds(workflow.Get())) {
        UnsetExclusive(workflow);
    }
    if (announce) {
        ReportWorkflowChange(workflow->GetWorkflowName(), du::Symbol::EMPTY, workflow->GetPriority(), true,
                             du::Symbol::EMPTY);
        // Already out of the stack: the removed workflow does not hear its own removal.
        DispatchMessage(
            WorkflowChangedMsg(ConstStrings::MsgWorkflowChanged, workflow, workflow->GetPriority(), false));
    }
    stack_.Retire(std::move(workflow));
}

du::SmartPtr<Workflow> WorkflowManagerImpl::GetWorkflow(unsigned int priority) {
    auto entry = stack_.Find(priority);
    return entry == stack_.end() ? du::SmartPtr<Workflow>() : entry->second;
}

WorkflowManagerImpl::StackEntry WorkflowManagerImpl::FindWorkflowByName(const du::Symbol& name) {
    for (auto entry = stack_.begin(); entry != stack_.end(); ++entry) {
        if (!entry->second) {
            throw std::logic_error(
                "workflow::Manager::FindWorkflow(Symbol name) - NULL pointer found in workflow "
                "map at priority " +
                std::to_string(entry->first) + ".");
        }
        if (entry->second->GetWorkflowName() == name) {
            return entry;
        }
    }
    return stack_.end();
}

void WorkflowManagerImpl::ReportWorkflowChange(du::Symbol oldName, du::Symbol newName, unsigned int priority,
                                               bool success, du::Symbol message) {
    managerObservers_.ForEach([&](rzk::WorkflowManagerObserver& observer) {
        observer.OnWorkflowChange(oldName, newName, priority, success, message);
    });
}

bool WorkflowManagerImpl::SetExclusive(const du::SmartPtr<Workflow>& claimant, const du::Symbol* names,
                                       int count) {
    return exclusiveHandlers_.Claim(claimant, names, count);
}

void WorkflowManagerImpl::UnsetExclusive(const du::SmartPtr<Workflow>& claimant) {
    exclusiveHandlers_.Release(claimant.Get());
}

bool WorkflowManagerImpl::HoldsExclusive(const du::SmartPtr<Workflow>& workflow) {
    return exclusiveHandlers_.Holds(workflow.Get());
}

void WorkflowManagerImpl::Destroy() {
    managerObservers_.ForEach([](rzk::WorkflowManagerObserver& observer) { observer.OnManagerDestroyed(); });
    Teardown();
}

void WorkflowManagerImpl::Teardown() {
    while (!stack_.Empty()) {
        UninstallWorkflow(stack_.begin(), false);
    }
    exclusiveHandlers_.Clear();
    status_.Clear();
    view_ = nullptr;
    managerObservers_.Clear();
    cursorRequests_.reset();
    // The objects this manager put under management leave the queue too, so that releasing them here is
    // what ends them. Released outside the member: an observer's destructor may call back into the manager.
    std::vector<du::SmartPtr<dom::ManagedObject>> released;
    released.swap(managedObjects_);
    for (const auto& object : released) {
        object->Unmanage();
    }
}

}  // namespace workflow
