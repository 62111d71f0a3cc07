#pragma once

#include <cstdint>

#include "dom/Message.h"
#include "dom/ProxyObject.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "manager/WorkflowManager.h"
#include "remote/RemoteOperations.h"

// The host-side end of a manager: every operation becomes a message to the manager's queue, tagged with
// the operation's declaration index as the peer knows it and carrying the values in parameter order.
// Operations without a result are one-way and return once the message is handed over; those with one
// (FindWorkflow, QueryWorkflows, GetCurrentCursor, IsWorkflowTraceEnabled, GetInternalInterface) wait for
// the reply and throw "ProtocolError extracting return value" when it lacks a value (rzk::ModuleThreadEnded
// when the module thread has ended). Observers travel as handles, counted objects as pointers carrying a
// reference of their own.
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

    // --- rzk::WorkflowManager: the operations of WORKFLOW_MANAGER_OPERATIONS. Any thread.
#define WORKFLOW_PROXY_DECLARATION(tag, name, signature, Result, Params, Args) Result name Params override;
    WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_PROXY_DECLARATION)
#undef WORKFLOW_PROXY_DECLARATION
};
