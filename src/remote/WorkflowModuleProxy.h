#pragma once

#include <cstdint>

#include "dom/Message.h"
#include "dom/ProxyObject.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "remote/RemoteOperations.h"
#include "remote/WorkflowModule.h"

// The host-side end of the module: CreateManager travels as tag 0 with the view as a pointer carrying a
// reference of its own, waits for the reply and answers the new manager, read from the reply's handle (a
// manager proxy on a host thread). A reply without a handle throws
// "ProtocolError extracting return value" (rzk::ModuleThreadEnded when the module thread has ended). Made
// only by workflow_WorkflowModule_proxy_Factory; holds no state of its own beyond the dom::ProxyObject.
class workflow_WorkflowModule_proxy : public workflow::WorkflowModule, public dom::ProxyObject {
public:
    workflow_WorkflowModule_proxy(std::int16_t interfaceIndex, dom::RebindTablePtr rebindTable);
    ~workflow_WorkflowModule_proxy() override;

    // --- dom::ManagedObject. Any thread.
    std::int16_t BaseClassOffsetByName(const du::Symbol& className) const override;
    int GetBaseClassCount() const override;
    std::int16_t GetBaseClassParent(int index) const override;
    du::Symbol GetBaseClass(int index) const override;
    // A proxy never receives messages: throws std::runtime_error.
    void HandleMessage(const dom::MessagePtr& message) override;

    // --- rzk::WorkflowModule: the operation of WORKFLOW_MODULE_OPERATIONS. Any thread; blocks until the
    // module thread has replied.
#define WORKFLOW_PROXY_DECLARATION(tag, name, signature, Result, Params, Args) Result name Params override;
    WORKFLOW_MODULE_OPERATIONS(WORKFLOW_PROXY_DECLARATION)
#undef WORKFLOW_PROXY_DECLARATION
};
