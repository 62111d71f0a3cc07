#pragma once

#include <stdexcept>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

class NotificationObserver;
class WorkflowManagerObserver;

// Thrown by a blocking operation of a manager or module proxy (FindWorkflow, QueryWorkflows, ...) whose
// answer never came because the plug-in's module thread has ended (after RZDllTerminate, or a failure on
// the thread) or no longer runs the object asked. what() is "ProtocolError extracting return value", the
// text of every unreadable answer; other unreadable answers are plain std::runtime_errors.
//
//     try { cursor = manager->GetCurrentCursor(); } catch (const rzk::ModuleThreadEnded&) { /* stop */ }
class RZHOST_API ModuleThreadEnded : public std::runtime_error {
public:
    ModuleThreadEnded();
    ~ModuleThreadEnded() override;
};

// The host's interface of a view's workflow manager: what a host holds for each view, as the module made it
// (rzk::WorkflowModule::CreateManager). The operations stand in their remote-interface order (the tag of
// each is its index here); GetInterfaceIndex comes first.
//
//     du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(view);
//     manager->RegisterObserver(reports);   // an rzk::WorkflowManagerObserver (see there)
//     manager->AddWorkflow("orbit", false);  // one-way: returns at once
//     du::Symbol name = manager->FindWorkflow(100);  // waits for the module thread's answer: "orbit"
//     ...
//     manager->Destroy();                            // before the last reference goes
//
// Threads: a host holds a proxy and may call it from any of its threads, several at once. Every call is
// carried to the plug-in's module thread, which runs the manager; the calls of one host thread arrive in
// the order they were made. Calls without a result are one-way and return at once; those with a result
// (FindWorkflow, QueryWorkflows, GetCurrentCursor, IsWorkflowTraceEnabled, GetInternalInterface) block the
// calling thread until the module thread has answered, so never make them from the module thread itself
// (an observer callback, a workflow). The observers (rzk::WorkflowManagerObserver, rzk::NotificationObserver,
// each a dom::Observer already) travel as handles to managed objects; the manager calls them synchronously
// on the module thread.
//
// Ownership: the manager is counted (du::SmartPtr); the host's reference keeps it alive, and Destroy, not
// the last release, ends it: it removes the workflows and tells the observers. Observers and mode objects
// given to it are counted references that the manager keeps until they are deregistered or it is destroyed.
// Failures are not returned: every failed request becomes an OnWorkflowChange report with success false.
class RZHOST_API WorkflowManager : public virtual du::RefCounted {
public:
    // Priorities above this are temporary: an unhandled Escape dismisses the topmost of them.
    static constexpr unsigned int MAX_STATIC_PRIORITY = 1000;
    // The cursor request that every manager starts with.
    static constexpr unsigned int PTR_DEFAULT = 0;
    // A cursor request at this priority, when highest, means "no cursor".
    static constexpr unsigned int PTR_NONE = 0xFFFFFFFFu;

    static du::Symbol GetClassName() { return "rzk::WorkflowManager"; }

    // Which of the object's interfaces answers (1: this one). Any thread, local.
    virtual int GetInterfaceIndex(int) const { return 1; }
    // Adds observer to the receivers of the workflows' notifications and of "trace" lines (whose data is a
    // workflow::TraceData); it hears OnRegistered first. One-way.
    virtual void RegisterNotificationObserver(const du::SmartPtr<NotificationObserver>& observer) = 0;
    // One-way.
    virtual void DeregisterNotificationObserver(const du::SmartPtr<NotificationObserver>& observer) = 0;
    // Adds observer to the receivers of installation, removal and failure reports and of the manager's end;
    // it hears OnRegistered first. One-way.
    virtual void RegisterObserver(const du::SmartPtr<WorkflowManagerObserver>& observer) = 0;
    // One-way.
    virtual void DeregisterObserver(const du::SmartPtr<WorkflowManagerObserver>& observer) = 0;
    // Installs the workflow the loader makes under name at its own priority. One-way.
    virtual void AddWorkflow(const du::Symbol& name, bool persistent) = 0;
    // Installs the workflow the loader makes under name at priority; an unset name empties the priority.
    // One-way.
    virtual void AddWorkflowAtPriority(const du::Symbol& name, unsigned int priority, bool persistent) = 0;
    // One-way.
    virtual void SetWorkflowPersistent(unsigned int priority, bool persistent) = 0;
    // One-way.
    virtual void RemoveWorkflowByPriority(unsigned int priority) = 0;
    // One-way.
    virtual void RemoveWorkflowByName(const du::Symbol& name) = 0;
    // The name of the workflow at priority, du::Symbol::EMPTY when none. Blocks for the answer.
    virtual du::Symbol FindWorkflow(unsigned int priority) = 0;
    // A mode message for the workflow named workflowName (EMPTY: every workflow). One-way.
    virtual void SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                                 const du::SmartPtr<du::RefCounted>& modeObject) = 0;
    // Asks the workflows from the highest priority down; true, with the outputs filled, when one answered.
    // Blocks for the answer.
    virtual bool QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                                du::SmartPtr<du::RefCounted>& object) = 0;
    // One-way.
    virtual void ToggleComponentRotate() = 0;
    // Tells the workflows the current page changed. One-way.
    virtual void SetCurPage(int page) = 0;
    // Asks for a status pass (pushed to the view at most once per 100 ms). One-way.
    virtual void UpdateStatusMsg() = 0;
    // Requests cursor at priority as the host; an unset cursor withdraws the request. One-way.
    virtual void SetMouseCursor(unsigned int priority, const du::Symbol& cursor) = 0;
    // The cursor of the highest request. Blocks for the answer.
    virtual du::Symbol GetCurrentCursor() = 0;
    // Moves the pointer in the view's window. One-way.
    virtual void SetCursorPosition(int x, int y) = 0;
    // Sends text as a trace line from source to the notification observers. One-way.
    virtual void OutputTraceString(const du::Symbol& source, const du::Symbol& text) = 0;
    // Replays a recorded trace line into the workflow named workflowName. One-way.
    virtual void HandleTraceString(const du::Symbol& workflowName, const du::Symbol& text) = 0;
    // Tracing is on in a new manager. One-way.
    virtual void SetWorkflowTraceEnabled(bool enabled) = 0;
    // Blocks for the answer.
    virtual bool IsWorkflowTraceEnabled() = 0;
    // Puts a host object of another plug-in under the manager's queue, kept until the manager ends.
    // One-way.
    virtual void ManagePluginObserver(const du::SmartPtr<du::RefCounted>& object) = 0;
    // The interface called type ("MessageInterface": a workflow::MessageInterface), null for others. Blocks
    // for the answer; the caller holds the new reference.
    virtual du::SmartPtr<du::RefCounted> GetInternalInterface(const du::Symbol& type) = 0;
    // Ends the manager: observers hear OnManagerDestroyed, workflows are removed without announcement.
    // One-way; call it before releasing the last reference.
    virtual void Destroy() = 0;
};

}  // namespace rzk
