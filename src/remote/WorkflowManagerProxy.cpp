#include "remote/WorkflowManagerProxy.h"

#include <stdexcept>
#include <utility>

#include "remote/RemoteCall.h"

workflow_WorkflowManager_proxy::workflow_WorkflowManager_proxy(std::int16_t interfaceIndex,
                                                               dom::RebindTablePtr rebindTable)
    : dom::ProxyObject(interfaceIndex, std::move(rebindTable)) {}

workflow_WorkflowManager_proxy::~workflow_WorkflowManager_proxy() = default;

std::int16_t workflow_WorkflowManager_proxy::BaseClassOffsetByName(const du::Symbol& className) const {
    return OffsetOfClass(className);
}

int workflow_WorkflowManager_proxy::GetBaseClassCount() const {
    return BASE_CLASS_COUNT;
}

std::int16_t workflow_WorkflowManager_proxy::GetBaseClassParent(int index) const {
    return ParentOfBaseClass(index);
}

du::Symbol workflow_WorkflowManager_proxy::GetBaseClass(int index) const {
    return BaseClassAt(index);
}

void workflow_WorkflowManager_proxy::HandleMessage(const dom::MessagePtr&) {
    throw std::runtime_error(
        "Protocol Error:workflow_WorkflowManager_proxy::HandleMessage(const dom::MessagePtr&) called.");
}

#define WORKFLOW_PROXY_DEFINITION(tag, name, signature, Result, Params, Args)                                \
    Result workflow_WorkflowManager_proxy::name Params {                                                     \
        return workflow::remote::Send<tag>(*this,                                                            \
                                           &rzk::WorkflowManager::name WORKFLOW_REMOTE_MORE_ARGUMENTS Args); \
    }
WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_PROXY_DEFINITION)
#undef WORKFLOW_PROXY_DEFINITION
