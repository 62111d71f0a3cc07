#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

class NotificationObserver;
class WorkflowManagerObserver;

// The host's interface of a view's workflow manager. The operations stand in their remote-interface
// order (the tag of each is its index here); GetInterfaceIndex comes first.
class RZHOST_API WorkflowManager : public virtual du::RefCounted {
public:
    // Priorities above this are temporary: an unhandled Escape dismisses the topmost of them.
    static constexpr unsigned int MAX_STATIC_PRIORITY = 1000;
    // The cursor request that every manager starts with.
    static constexpr unsigned int PTR_DEFAULT = 0;
    // A cursor request at this priority, when highest, means "no cursor".
    static constexpr unsigned int PTR_NONE = 0xFFFFFFFFu;

    static du::Symbol GetClassName() { return "rzk::WorkflowManager"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    virtual void RegisterNotificationObserver(const du::SmartPtr<NotificationObserver>& observer) = 0;
    virtual void DeregisterNotificationObserver(const du::SmartPtr<NotificationObserver>& observer) = 0;
    virtual void RegisterObserver(const du::SmartPtr<WorkflowManagerObserver>& observer) = 0;
    virtual void DeregisterObserver(const du::SmartPtr<WorkflowManagerObserver>& observer) = 0;
    virtual void AddWorkflow(const du::Symbol& name, bool persistent) = 0;
    virtual void AddWorkflowAtPriority(const du::Symbol& name, unsigned int priority, bool persistent) = 0;
    virtual void SetWorkflowPersistent(unsigned int priority, bool persistent) = 0;
    virtual void RemoveWorkflowByPriority(unsigned int priority) = 0;
    virtual void RemoveWorkflowByName(const du::Symbol& name) = 0;
    virtual du::Symbol FindWorkflow(unsigned int priority) = 0;
    virtual void SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                                 const du::SmartPtr<du::RefCounted>& modeObject) = 0;
    virtual bool QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                                du::SmartPtr<du::RefCounted>& object) = 0;
    virtual void ToggleComponentRotate() = 0;
    virtual void SetCurPage(int page) = 0;
    virtual void UpdateStatusMsg() = 0;
    virtual void SetMouseCursor(unsigned int priority, const du::Symbol& cursor) = 0;
    virtual du::Symbol GetCurrentCursor() = 0;
    virtual void SetCursorPosition(int x, int y) = 0;
    virtual void OutputTraceString(const du::Symbol& source, const du::Symbol& text) = 0;
    virtual void HandleTraceString(const du::Symbol& workflowName, const du::Symbol& text) = 0;
    virtual void SetWorkflowTraceEnabled(bool enabled) = 0;
    virtual bool IsWorkflowTraceEnabled() = 0;
    virtual void ManagePluginObserver(const du::SmartPtr<du::RefCounted>& object) = 0;
    virtual du::SmartPtr<du::RefCounted> GetInternalInterface(const du::Symbol& type) = 0;
    virtual void Destroy() = 0;
};

}  // namespace rzk
