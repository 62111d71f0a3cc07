#include "manager/WorkflowManagerImpl.h"

#include <algorithm>
#include <cstddef>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>

#include "diagnostics/ExceptionText.h"
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

// Only a real key message counts: any message class may arrive under the name "MsgKeyPress".
bool IsEscapeKey(const Msg& message) {
    if (message.GetName() != ConstStrings::MsgKeyPress || !KeyMsg::IsKeyMsg(message)) {
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
    // The count is 0 from here on: whatever the teardown's workflows ask for must not take a reference.
    destroying_ = true;
    Teardown();
}

void WorkflowManagerImpl::SetView(const du::SmartPtr<rzk::View>& view) {
    view_ = view;
}

bool WorkflowManagerImpl::DispatchMessage(const Msg& message) {
    // The one test the routing log costs a dispatch nobody listens to. The logged dispatch is a call of its
    // own, so that its route leaves the plain walk's registers and frame as they were.
    if (routing_.Listening()) [[unlikely]] {
        return DispatchRouted(message);
    }
    Unrouted unrouted;
    return Dispatch(message, unrouted);
}

bool WorkflowManagerImpl::DispatchRouted(const Msg& message) {
    RoutingLog::Route route(routing_, stack_, message.GetName());
    return route.Finish(Dispatch(message, route));
}

template <class Route>
bool WorkflowManagerImpl::Dispatch(const Msg& message, Route& route) {
    const du::Symbol& name = message.GetName();

    // Interruption comes first so that a workflow reacting to the input sees the animations stopped.
    if (!animationEvents_.empty() && InterruptsAnimations(name)) {
        route.Cancelling(animationEvents_.size());
        CancelAnimationEvents();
    }

    // A workflow that fails the same way twice in one dispatch (a claimant that throws is asked again by the
    // walk) is one failure: one snapshot.
    std::uint64_t snapshot = 0;

    // Exclusive delivery: the claimant alone decides, unless it throws; then the whole stack is asked,
    // the claimant included.
    if (!exclusiveHandlers_.Empty()) {
        if (du::SmartPtr<Workflow> claimant = exclusiveHandlers_.Find(name)) {
            bool threw = false;
            bool consumed = false;
            try {
                consumed = claimant->HandleMsg(message);
            } catch (...) {
                threw = true;
                route.Caught();
                ReportHandlerException(name, *claimant, snapshot);
            }
            route.Claimed(*claimant, consumed);
            if (!threw) {
                return consumed;
            }
        }
    }

    // The walk goes from the highest priority down. A handler may change the stack; the next entry is then
    // looked up again below the priority just visited, so workflows installed below it are still visited,
    // ones installed above it are not, and removed ones are skipped. The walk frame keeps a workflow that is
    // removed during its own call alive until the call has returned.
    route.Walking();
    WorkflowStack::Walk walk(stack_);
    WorkflowStack::Entry* last = stack_.Last();
    for (WorkflowStack::Entry* entry = stack_.First(); entry != last;) {
        const unsigned int priority = entry->priority;
        Workflow* workflow = entry->workflow.Get();
        const std::uint64_t version = stack_.Version();
        bool consumed = false;
        walk.Calling(workflow);
        try {
            consumed = workflow->HandleMsg(message);
        } catch (...) {
            route.Caught();
            ReportHandlerException(name, *workflow, snapshot);
        }
        route.Offered(priority, *workflow, consumed);
        if (consumed) {
            return true;  // the frame releases the workflow if it was removed meanwhile
        }
        if (version == stack_.Version()) [[likely]] {
            ++entry;
        } else {
            // Only a change of the stack can have removed the workflow just called: release it now.
            walk.Returned();
            route.StackChanged(priority);
            entry = stack_.Below(priority);
            last = stack_.Last();
        }
    }
    walk.Returned();

    // An Escape that nobody wanted dismisses the topmost temporary workflow.
    if (!stack_.Empty() && IsEscapeKey(message)) {
        auto top = stack_.begin();
        if (top->workflow->GetPriority() > rzk::WorkflowManager::MAX_STATIC_PRIORITY) {
            route.Escaping(top->priority, *top->workflow);
            UninstallWorkflow(top, true);
        }
    }
    return false;
}

void WorkflowManagerImpl::ReportHandlerException(const du::Symbol& messageName, const Workflow& workflow,
                                                 std::uint64_t& kept) {
    std::string line = "Exception handling workflow message \"";
    line += messageName.View();
    line += "\" with workflow \"";
    line += workflow.GetWorkflowName().View();
    line += "\"\n";
    std::cerr << line << std::flush;
    line.pop_back();
    std::string text = DescribeCurrentException();
    // Snapshots are kept with the recorder off too: a host learns of the failure from them.
    if (kept != 0 && kept == lastSnapshot_ && !crashSnapshots_.empty() &&
        crashSnapshots_.back().exceptionLine == line && crashSnapshots_.back().exceptionText == text) {
        return;
    }
    kept = KeepCrashSnapshot(std::move(line), std::move(text));
}

void WorkflowManagerImpl::InstallWorkflow(const du::SmartPtr<Workflow>& workflow) {
    // An emptied manager holds no workflows: like the installations by name, this one then does nothing
    // (a workflow or plug-in that kept the manager past Destroy would otherwise link itself to it again).
    if (!workflow || !MayEnter(workflow->GetWorkflowName())) {
        return;
    }
    du::SmartPtr<Workflow> installed = workflow;
    EnterWorkflow(installed, installed->GetPriority(), du::Symbol::EMPTY);
}

void WorkflowManagerImpl::EnterWorkflow(const du::SmartPtr<Workflow>& workflow, unsigned int priority,
                                        du::Symbol replacedName) {
    // Whatever sits at the priority is replaced without announcement. Replacing runs foreign code (the
    // replaced workflow's OnRemove, before that a loader's factory) that may fill the priority again: the
    // newest installation wins and replaces that one too, so the report names the workflow it displaced.
    for (auto occupied = stack_.Find(priority); occupied != stack_.end(); occupied = stack_.Find(priority)) {
        replacedName = occupied->workflow->GetWorkflowName();
        UninstallWorkflow(occupied, false);
    }
    // That foreign code (or the loader's factory before it) may also have destroyed the manager, which then
    // takes no workflow any more.
    if (!MayEnter(workflow->GetWorkflowName())) {
        return;
    }
    if (teardown_ == TeardownPhase::RemovingWorkflows) {
        admittedInTeardown_.push_back(workflow->GetWorkflowName());
    }
    const std::uint64_t serial = stack_.Enter(priority, workflow);
    Tap().Record(FlightRecord::StackChange(FlightRecord::Kind::Installed, workflow->GetWorkflowName(),
                                           priority, serial, workflow->GetPersistent()));
    ReportWorkflowChange(replacedName, workflow->GetWorkflowName(), priority, true, du::Symbol::EMPTY);
    // The new workflow is already in the stack and is offered its own announcement.
    DispatchMessage(
        WorkflowChangedMsg(ConstStrings::MsgWorkflowChanged, workflow, workflow->GetPriority(), true));
    // A handler of the announcement, or the status update that SetManager asks for, may remove the workflow
    // (or remove it and install it again, which links it itself). A removed workflow has no manager and no
    // view, so each link is made only while this installation still stands.
    auto stands = [&] { return stack_.Holds(priority, workflow.Get(), serial); };
    if (!stands()) {
        return;
    }
    workflow->SetManager(this);
    if (!stands()) {
        return;
    }
    workflow->SetView(view_);
    if (stands()) {
        workflow->OnAdd();
    }
}

bool WorkflowManagerImpl::MayEnter(const du::Symbol& name) const {
    switch (teardown_) {
        case TeardownPhase::None:
            return !Emptied();
        case TeardownPhase::RemovingWorkflows:
            return std::find(admittedInTeardown_.begin(), admittedInTeardown_.end(), name) ==
                   admittedInTeardown_.end();
        case TeardownPhase::Releasing:
            break;
    }
    return false;
}

void WorkflowManagerImpl::UninstallWorkflow(StackEntry entry, bool announce) {
    Tap().Record(FlightRecord::StackChange(FlightRecord::Kind::Removed, entry->workflow->GetWorkflowName(),
                                           entry->priority, entry->serial, entry->workflow->GetPersistent()));
    du::SmartPtr<Workflow> workflow = stack_.Erase(entry);
    workflow->OnRemove();
    // OnRemove may install the workflow again, which links it itself: the links are cut only while it stays
    // out of the stack, or it would sit there with no manager and no view.
    auto back = [&] {
        auto found = stack_.Find(workflow->GetPriority());
        return found != stack_.end() && found->workflow == workflow;
    };
    if (!back()) {
        workflow->SetView(nullptr);
    }
    if (!back()) {
        workflow->SetManager(nullptr);
    }
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
    // Destroyed here unless a walk is still calling it, or something else holds it.
    stack_.Retire(std::move(workflow));
}

du::SmartPtr<Workflow> WorkflowManagerImpl::GetWorkflow(unsigned int priority) {
    auto entry = stack_.Find(priority);
    return entry == stack_.end() ? du::SmartPtr<Workflow>() : entry->workflow;
}

WorkflowManagerImpl::StackEntry WorkflowManagerImpl::FindWorkflowByName(const du::Symbol& name) {
    for (auto entry = stack_.begin(); entry != stack_.end(); ++entry) {
        if (!entry->workflow) {
            throw std::logic_error(
                "workflow::Manager::FindWorkflow(Symbol name) - NULL pointer found in workflow "
                "map at priority " +
                std::to_string(entry->priority) + ".");
        }
        if (entry->workflow->GetWorkflowName() == name) {
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
    // A workflow removed here may install itself or others (from OnRemove); they are removed in turn. Each
    // name enters at most once per teardown (MayEnter), which is what lets the loop end. A teardown started
    // from inside another one (a Destroy from an OnRemove) carries on with the same loop.
    const bool outermost = teardown_ == TeardownPhase::None;
    if (outermost) {
        teardown_ = TeardownPhase::RemovingWorkflows;
    }
    while (!stack_.Empty()) {
        UninstallWorkflow(stack_.begin(), false);
    }
    teardown_ = TeardownPhase::Releasing;
    exclusiveHandlers_.Clear();
    status_.Clear();
    view_ = nullptr;
    managerObservers_.Clear();
    routing_.Clear();
    cursorRequests_.reset();
    // The objects this manager put under management leave the queue too, so that releasing them here is
    // what ends them. Released outside the member: an observer's destructor may call back into the manager.
    std::vector<ManagedEntry> released;
    released.swap(managedObjects_);
    for (const ManagedEntry& entry : released) {
        if (entry.managedHere) {
            entry.object->Unmanage();
        }
    }
    if (outermost) {
        teardown_ = TeardownPhase::None;  // emptied now: nothing enters any more (MayEnter)
        admittedInTeardown_.clear();
    }
}

}  // namespace workflow
