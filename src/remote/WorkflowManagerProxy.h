#pragma once

#include <cstdint>

#include "dom/Message.h"
#include "dom/ProxyObject.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "manager/WorkflowManager.h"

// The host-side end of a manager: every operation becomes a message to the manager's queue, tagged with
// the operation's declaration index as the peer knows it and carrying the values in parameter order.
// Twenty operations are one-way and return once the message is handed over; FindWorkflow, QueryWorkflows,
// GetCurrentCursor, IsWorkflowTraceEnabled and GetInternalInterface wait for the reply and throw
// std::runtime_error("ProtocolError extracting return value") when it lacks a value. Observers travel as
// handles, counted objects as pointers carrying a reference of their own.
//
// Made only by workflow_WorkflowManager_proxy_Factory, when the messaging layer resolves a handle to a
// manager on a thread that is not the manager's. Each call builds its own message, so a proxy may be
// called from several threads at once.
class workflow_WorkflowManager_proxy : public workflow::WorkflowManager, public dom::ProxyObject {
public:
    workflow_WorkflowManager_proxy(std::int16_t interfaceIndex, dom::RebindTablePtr rebindTable);
    ~workflow_WorkflowManager_proxy() override;

    // --- dom::ManagedObject. Any thread.
    std::int16_t BaseClassOffsetByName(const du::Symbol& className) const override;
    int GetBaseClassCount() const override;
    std::int16_t GetBaseClassParent(int index) const override;
    du::Symbol GetBaseClass(int index) const override;
    // A proxy never receives messages: throws std::runtime_error.
    void HandleMessage(const dom::MessagePtr& message) override;

    // --- rzk::WorkflowManager, in declaration (tag) order. Any thread.
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

private:
    dom::MessageWriter Begin(int declarationIndex) const;
    void Post(dom::MessageWriter& writer) const;
    dom::MessagePtr Call(dom::MessageWriter& writer) const;
};
