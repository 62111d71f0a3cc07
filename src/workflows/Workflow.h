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
    // Removes the workflow from its manager, unless it is persistent and force is false.
    virtual void Complete(bool force);
    virtual bool HandleMsg(const Msg& message) = 0;
    virtual bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                             du::SmartPtr<du::RefCounted>& object);
    virtual void OnAdd() {}
    virtual void OnRemove() {}
    virtual void HandleTraceString(const std::string& line);

    du::Symbol GetWorkflowName() const { return name_; }
    WorkflowManagerImpl* GetManager() const { return manager_; }
    WorkflowManagerCore* GetManagerCore() const;

    void SendNotification(du::Symbol notification, int value, const du::SmartPtr<du::RefCounted>& data);
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
    bool SetStatusMessage(int field, const std::string& text);
    void UpdateStatusMessage();
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
