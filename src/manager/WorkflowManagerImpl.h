#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "diagnostics/FlightRecorder.h"
#include "dom/ManagedObject.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "manager/CursorRequests.h"
#include "manager/ExclusiveClaims.h"
#include "manager/ManagerDiagnostics.h"
#include "manager/ObserverList.h"
#include "manager/RoutingLog.h"
#include "manager/StatusBar.h"
#include "manager/WorkflowManager.h"
#include "manager/WorkflowManagerCore.h"
#include "manager/WorkflowStack.h"
#include "rzk/NotificationObserver.h"
#include "rzk/WorkflowManagerObserver.h"

namespace rzk {
class BaseAsyncEvent;
class View;
}  // namespace rzk

namespace workflow {

class Msg;
class Workflow;

// The workflow manager of one view: a stack of workflows by priority through which every message of the
// view is dispatched, plus the services workflows and the host share (installation by name, cursor and
// status bar, observers, notifications, queries, tracing). Every operation runs on the thread of the queue
// that manages it (the module thread), one at a time; dispatch is re-entrant.
class WorkflowManagerImpl : public virtual WorkflowManager,
                            public virtual WorkflowManagerCore,
                            public ManagerDiagnostics,
                            public virtual dom::ManagedObject {
public:
    using StackEntry = WorkflowStack::iterator;

    WorkflowManagerImpl();
    ~WorkflowManagerImpl() override;

    // Gives the manager its view; called once, right after construction.
    void SetView(const du::SmartPtr<rzk::View>& view);

    // --- The stack and the dispatch. Module thread only.
    // Offers message to the workflows; true when one consumed it.
    bool DispatchMessage(const Msg& message);
    // Installs an existing workflow at its own priority, replacing whatever is there.
    void InstallWorkflow(const du::SmartPtr<Workflow>& workflow);
    void UninstallWorkflow(StackEntry entry, bool announce);
    du::SmartPtr<Workflow> GetWorkflow(unsigned int priority);
    // The stack as it stands, for checks of its order and links (diagnostics, tests, fuzzers).
    const WorkflowStack& GetStack() const { return stack_; }
    // The entry of the highest-priority workflow called name, or the end of the stack.
    StackEntry FindWorkflowByName(const du::Symbol& name);
    void ReportWorkflowChange(du::Symbol oldName, du::Symbol newName, unsigned int priority, bool success,
                              du::Symbol message);
    bool SetExclusive(const du::SmartPtr<Workflow>& claimant, const du::Symbol* names, int count);
    void UnsetExclusive(const du::SmartPtr<Workflow>& claimant);
    bool HoldsExclusive(const du::SmartPtr<Workflow>& workflow);

    // --- Installation by name. Module thread only.
    void InstallWorkflowByName(const du::Symbol& name, unsigned int priority, bool persistent);
    du::SmartPtr<Workflow> LoadWorkflow(const du::Symbol& name);

    // --- Cursor and status. Module thread only.
    bool SetStatusMessage(int field, const std::string& text);
    // The text field got in the last status pass, "" outside 0 to 3.
    const std::string& GetStatusField(int field) const { return status_.GetField(field); }
    void SetCursorEntry(unsigned int priority, const du::Symbol& cursor);
    du::Symbol ComputeCurrentCursor();

    // --- Observers and notifications. Module thread only.
    void SendNotification(du::Symbol source, du::Symbol notification, int value,
                          const du::SmartPtr<du::RefCounted>& data);
    void AddManagedObject(const du::SmartPtr<dom::ManagedObject>& object);
    // What a workflow about to write a trace line needs to know, in one read: the trace switch (as
    // IsWorkflowTraceEnabled answers it) and whether a line would reach anyone, so that lines nobody
    // receives are not composed. Module thread only.
    enum class TraceState : std::uint8_t { Off, Unheard, Heard };
    TraceState GetTraceState() const { return traceState_; }

    // Empties the manager: workflows removed without announcement, state released. A workflow installed
    // meanwhile from a removed workflow's OnRemove is installed, reported, announced and added, then removed
    // in turn; a name is let in only once per teardown, which bounds it.
    void Teardown();

    // --- rzk::WorkflowManager, in interface order. Module thread only.
    void RegisterNotificationObserver(const du::SmartPtr<rzk::NotificationObserver>& observer) override;
    void DeregisterNotificationObserver(const du::SmartPtr<rzk::NotificationObserver>& observer) override;
    void RegisterObserver(const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) override;
    void DeregisterObserver(const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) override;
    void AddWorkflow(const du::Symbol& name, bool persistent) override;
    void AddWorkflowAtPriority(const du::Symbol& name, unsigned int priority, bool persistent) override;
    void SetWorkflowPersistent(unsigned int priority, bool persistent) override;
    void RemoveWorkflowByPriority(unsigned int priority) override;
    void RemoveWorkflowByName(const du::Symbol& name) override;
    du::Symbol FindWorkflow(unsigned int priority) override;
    void SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                         const du::SmartPtr<du::RefCounted>& modeObject) override;
    bool QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                        du::SmartPtr<du::RefCounted>& object) override;
    void ToggleComponentRotate() override;
    void SetCurPage(int page) override;
    void UpdateStatusMsg() override;
    void SetMouseCursor(unsigned int priority, const du::Symbol& cursor) override;
    du::Symbol GetCurrentCursor() override;
    void SetCursorPosition(int x, int y) override;
    void OutputTraceString(const du::Symbol& source, const du::Symbol& text) override;
    void HandleTraceString(const du::Symbol& workflowName, const du::Symbol& text) override;
    void SetWorkflowTraceEnabled(bool enabled) override;
    bool IsWorkflowTraceEnabled() override;
    void ManagePluginObserver(const du::SmartPtr<du::RefCounted>& object) override;
    du::SmartPtr<du::RefCounted> GetInternalInterface(const du::Symbol& type) override;
    void Destroy() override;

    // --- WorkflowManagerCore. Module thread only.
    AnimationEvent* CreateAnimationEvent(bool forOpenNewShapeViewBase) override;
    void CancelAnimationEvents() override;
    void OnAnimationEventComplete(AnimationEvent* event) override;
    void GetAnimationEngine(du::SmartPtr<animation::Engine>& engine) override;

    // --- ManagerDiagnostics. Module thread only.
    void RegisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) override;
    void DeregisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) override;
    void SetFlightRecorderCapacity(std::size_t events) override;
    std::vector<CrashSnapshot> TakeCrashSnapshots() override;
    void RecordPick(int x, int y, unsigned int instance, unsigned int before) override;
    // The way into the flight recorder, for the observers and the decoder of host calls. Module thread only.
    InputTap Tap() { return InputTap(recorder_); }
    // What the flight recorder holds now (diagnostics, tests). Module thread only.
    RecordedInput ExportRecording() const { return recorder_.Export(); }
    // How many snapshots of handler failures are kept until taken; older ones make room for newer ones.
    static constexpr std::size_t MAX_CRASH_SNAPSHOTS = 8;

    // --- The remote interface (dom::ManagedObject): reflection answers, any thread; HandleMessage has a
    // host call arriving through the manager's proxy decoded (ManagerParts), queue thread only.
    std::int16_t BaseClassOffsetByName(const du::Symbol& className) const override {
        return WorkflowManager::OffsetOfClass(className);
    }
    int GetBaseClassCount() const override { return WorkflowManager::BASE_CLASS_COUNT; }
    std::int16_t GetBaseClassParent(int index) const override {
        return WorkflowManager::ParentOfBaseClass(index);
    }
    du::Symbol GetBaseClass(int index) const override { return WorkflowManager::BaseClassAt(index); }
    void HandleMessage(const dom::MessagePtr& message) override;

    // --- dom::ManagedObject. Queue thread only.
    // Makes the observers of the view's window, selection, views, scene and annotations (through the
    // ManagerParts), locates the animation engine and starts the 100-unit tick.
    void OnManage() override;
    void HandleTimeoutEvent(std::int64_t now) override;
    void HandleOnIdleEvent() override;

private:
    bool Emptied() const { return !cursorRequests_.has_value(); }
    // False when a workflow called name may not enter now: the manager is emptied, its teardown has removed
    // the workflows already, or let one of that name in before.
    bool MayEnter(const du::Symbol& name) const;
    // Enters workflow at priority (replacing whatever is there), reports and announces it, then links it
    // to this manager and the view. replacedName names a workflow the caller already replaced there.
    void EnterWorkflow(const du::SmartPtr<Workflow>& workflow, unsigned int priority,
                       du::Symbol replacedName);
    // The dispatch, with its steps reported to route (RoutingLog::Route) or to nobody (Unrouted).
    template <class Route>
    [[gnu::always_inline]] inline bool Dispatch(const Msg& message, Route& route);
    [[gnu::noinline]] bool DispatchRouted(const Msg& message);
    // Reports a handler's exception (inside its catch block) and keeps a snapshot of it, unless the same
    // workflow failed the same way earlier in this dispatch: the snapshot this dispatch made is in kept.
    void ReportHandlerException(const du::Symbol& messageName, const Workflow& workflow, std::uint64_t& kept);
    std::uint64_t KeepCrashSnapshot(std::string exceptionLine, std::string exceptionText);
    void RefreshTraceState();
    // Takes an emptied manager that nobody but its queue holds any more off the queue, which ends it.
    // From the queue's timeout and idle callbacks only.
    void LeaveQueueWhenForgotten();

    du::SmartPtr<rzk::View> view_;
    WorkflowStack stack_;
    ExclusiveClaims exclusiveHandlers_;
    StatusBar status_;
    struct ManagedEntry {
        du::SmartPtr<dom::ManagedObject> object;
        bool managedHere;  // this manager put it under management, so Teardown takes it off again
    };
    std::vector<ManagedEntry> managedObjects_;
    std::optional<CursorRequests> cursorRequests_;  // gone after Teardown
    // A pending animation event, as workflows know it and as the host event it is (the same object).
    struct PendingAnimation {
        AnimationEvent* event;
        rzk::BaseAsyncEvent* asHostEvent;
    };
    std::vector<PendingAnimation> animationEvents_;  // not owning
    ObserverList<rzk::NotificationObserver> notificationObservers_;
    ObserverList<rzk::WorkflowManagerObserver> managerObservers_;
    RoutingLog routing_;
    bool observing_ = false;   // OnManage has made the observers
    bool destroying_ = false;  // the destructor runs: no reference to this manager may be taken
    // How far Teardown has come. While it removes the workflows, foreign code (an OnRemove) may install
    // others: they enter as anywhere else and are removed in turn, but each name is let in at most once per
    // teardown, so that a workflow installing itself (or its like) again cannot keep it going for ever.
    // Once the workflows are out, nothing enters.
    enum class TeardownPhase : std::uint8_t { None, RemovingWorkflows, Releasing };
    TeardownPhase teardown_ = TeardownPhase::None;
    std::vector<du::Symbol> admittedInTeardown_;
    bool traceEnabled_ = true;
    TraceState traceState_ = TraceState::Unheard;  // follows traceEnabled_ and the notification observers
    du::SmartPtr<du::RefCounted> animationEngine_;
    FlightRecorder recorder_;
    std::vector<CrashSnapshot> crashSnapshots_;  // oldest first
    std::uint64_t lastSnapshot_ = 0;             // the number of the newest snapshot; 0 before the first
};

}  // namespace workflow
