#include "remote/WorkflowModuleProxy.h"

#include <stdexcept>
#include <utility>

#include "remote/RemoteCall.h"

workflow_WorkflowModule_proxy::workflow_WorkflowModule_proxy(std::int16_t interfaceIndex,
                                                             dom::RebindTablePtr rebindTable)
    : dom::ProxyObject(interfaceIndex, std::move(rebindTable)) {}

workflow_WorkflowModule_proxy::~workflow_WorkflowModule_proxy() = default;

std::int16_t workflow_WorkflowModule_proxy::BaseClassOffsetByName(const du::Symbol& className) const {
    return OffsetOfClass(className);
}

int workflow_WorkflowModule_proxy::GetBaseClassCount() const {
    return BASE_CLASS_COUNT;
}

std::int16_t workflow_WorkflowModule_proxy::GetBaseClassParent(int index) const {
    return ParentOfBaseClass(index);
}

du::Symbol workflow_WorkflowModule_proxy::GetBaseClass(int index) const {
    return BaseClassAt(index);
}

void workflow_WorkflowModule_proxy::HandleMessage(const dom::MessagePtr&) {
    throw std::runtime_error(
        "Protocol Error:workflow_WorkflowModule_proxy::HandleMessage(const dom::MessagePtr&) called.");
}

#define WORKFLOW_PROXY_DEFINITION(tag, name, signature, Result, Params, Args)                               \
    Result workflow_WorkflowModule_proxy::name Params {                                                     \
        return workflow::remote::Send<tag>(*this,                                                           \
                                           &rzk::WorkflowModule::name WORKFLOW_REMOTE_MORE_ARGUMENTS Args); \
    }
WORKFLOW_MODULE_OPERATIONS(WORKFLOW_PROXY_DEFINITION)
#undef WORKFLOW_PROXY_DEFINITION
