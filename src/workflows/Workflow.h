#pragma once

#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"

namespace dom {
class ManagedObject;
}
namespace rzk {
class PickFilter;
class Scene;
class View;
class Window;
}  // namespace rzk

namespace workflow {

class Msg;
class WorkflowManagerCore;
class WorkflowManagerImpl;

// The base of every interaction mode that a view's manager holds. A workflow has a name, a priority in
// its manager's stack and a persistent flag; once installed it knows its manager and its view (with the
// view's window and scene). Everything it asks of the system goes through the manager; without one, every
// request does nothing and answers false or null.
//
// Derive from SimpleWorkflow rather than from this class unless you route messages yourself.
//
// Threads: a workflow lives on its manager's thread (the plug-in's module thread in a host, the test's own
// thread in a WorkflowHarness). Every operation below, and every handler, runs there, one at a time; a
// workflow needs no locks. Requests may be made from inside a handler: a message sent from a handler is
// dispatched, to this workflow too, before the request returns.
//
// Life: the manager installs a workflow with SetManager, SetView, then OnAdd, and removes it with
// OnRemove, SetView(null), SetManager(null). Priorities above rzk::WorkflowManager::MAX_STATIC_PRIORITY
// mark temporary tools: when no workflow consumes an Escape key press (KeyMsg text "\x1b"), the manager
// removes the topmost workflow if its priority is above that limit.
class WORKFLOW_API Workflow : public du::RefCounted {
public:
    explicit Workflow(const du::Symbol& name);
    Workflow(const Workflow& other);
    Workflow& operator=(const Workflow& other);
    ~Workflow() override;

    // Virtual operations, in their fixed slot order.
    virtual void SetView(const du::SmartPtr<rzk::View>& view);
    virtual void SetManager(WorkflowManagerImpl* manager);
    virtual void SetPersistent(bool persistent) { persistent_ = persistent; }
    virtual bool GetPersistent() const { return persistent_; }
    virtual void SetPriority(unsigned int priority) { priority_ = priority; }
    virtual unsigned int GetPriority() const { return priority_; }
    // Removes the workflow from its manager, unless it is persistent and force is false. Safe from the
    // workflow's own handler: it is destroyed only after the removal has returned.
    virtual void Complete(bool force);
    virtual bool HandleMsg(const Msg& message) = 0;
    // Answers a query that the host or a workflow sent (SendQuery); true ends the search with what was
    // stored in the outputs. Queries go from the highest priority down and ignore exclusive claims.
    virtual bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                             du::SmartPtr<du::RefCounted>& object);
    // Called once installed, with manager and view set.
    virtual void OnAdd() {}
    // Called at removal while manager and view are still set: the place to withdraw a cursor request,
    // which (unlike exclusive claims) outlives the workflow otherwise.
    virtual void OnRemove() {}
    virtual void HandleTraceString(const std::string& line);

    du::Symbol GetWorkflowName() const { return name_; }
    WorkflowManagerImpl* GetManager() const { return manager_; }
    WorkflowManagerCore* GetManagerCore() const;

    // Every notification observer of the manager hears (this workflow's name, notification, value, data).
    void SendNotification(du::Symbol notification, int value, const du::SmartPtr<du::RefCounted>& data);
    // Requests cursor at priority; the request with the highest priority is shown. An unset symbol,
    // du::Symbol(), withdraws the request at that priority; du::Symbol::EMPTY is a request too, for the
    // window's own cursor (the manager keeps one at PTR_DEFAULT), and hides the requests below it. A
    // request stays until withdrawn, also after the workflow is removed: withdraw it in OnRemove or when
    // the gesture ends. Use your own priority (GetPriority()) so that workflows do not overwrite each other.
    bool SetCursor(unsigned int priority, const du::Symbol& cursor);
    bool GetCurrentCursor(du::Symbol& cursor) const;
    bool SetCursorPosition(int x, int y);
    bool ManageObject(const du::SmartPtr<dom::ManagedObject>& object);
    bool IsTraceEnabled() const;
    void OutputTraceString(const std::string& text);

protected:
    const du::SmartPtr<rzk::View>& GetView() const { return view_; }
    const du::SmartPtr<rzk::Window>& GetWindow() const { return window_; }
    const du::SmartPtr<rzk::Scene>& GetScene() const { return scene_; }
    du::SmartPtr<rzk::PickFilter> GetPickFilter() const;

    void AddWorkflow(const du::SmartPtr<Workflow>& workflow);
    void RemoveWorkflow(const du::SmartPtr<Workflow>& workflow);
    du::SmartPtr<Workflow> FindWorkflow(unsigned int priority);
    void SendMessage(const Msg& message);
    void SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                         const du::SmartPtr<du::RefCounted>& modeObject);
    bool SendQuery(const du::Symbol& query, du::Symbol& symbol, int& number,
                   du::SmartPtr<du::RefCounted>& object);
    // Writes text into status field 0 to 3 for the status pass under way. Only useful inside
    // OnMsgUpdateStatusBar (or a HandleMsg of "MsgUpdateStatusBar"): every pass starts with empty fields,
    // a text written at any other time is wiped before it is shown. The first writer of a field wins, and the
    // pass runs from the highest priority down; false when the field is taken or out of range.
    bool SetStatusMessage(int field, const std::string& text);
    // Asks for a status pass: every workflow gets "MsgUpdateStatusBar", then the fields are joined and pushed
    // to the view, at most once per 100 ms of the manager's tick (a text composed sooner waits for the first
    // tick more than 100 ms after the last push; passes in between collapse into the last). The window asks
    // for a pass after each press, release, double click and key; moves and wheel turns do not, so call this
    // after changing what your status text shows. Does nothing when called during a pass.
    void UpdateStatusMessage();
    // Claims the count message names in names for this workflow: while the claim holds, each such message
    // goes to this workflow alone, whatever the priorities, and its answer is the dispatch's answer (only if
    // its handler throws is the stack asked as usual). False when another workflow holds one of the names.
    // Claims end with UnsetExclusive, with SetActive(false) of a SimpleWorkflow, and with the workflow's
    // removal.
    bool SetExclusive(du::Symbol* names, int count);
    void UnsetExclusive();

private:
    du::Symbol name_;
    du::SmartPtr<rzk::View> view_;
    du::SmartPtr<rzk::Window> window_;
    du::SmartPtr<rzk::Scene> scene_;
    WorkflowManagerImpl* manager_ = nullptr;  // not owned: the manager owns the workflow
    unsigned int priority_ = 0;
    bool persistent_ = false;
};

}  // namespace workflow
