#include "remote/WorkflowModuleProxy.h"

#include <stdexcept>
#include <utility>

#include "dom/Helper.h"
#include "remote/RemoteValues.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"

namespace {

const du::Symbol& ManagerClass() {
    static const du::Symbol name("rzk::WorkflowManager");
    return name;
}

}  // namespace

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

du::SmartPtr<rzk::WorkflowManager> workflow_WorkflowModule_proxy::CreateManager(
    const du::SmartPtr<rzk::View>& view) {
    du::SmartPtr<rzk::WorkflowManager> result;
    dom::MessageWriter writer = StartNewMessage(Rebind(0));
    workflow::remote::PushObject(view.Get(), view.Get(), writer);
    writer.MarkNeedsReplyFlag();
    dom::MessagePtr message = writer.FinaliseMessage();
    DeliverMessage(message);

    dom::MessageReader reader(message);
    du::SmartPtr<dom::ManagedObject> manager;
    if (!dom::Helper(*this).GetHandleValue(manager, ManagerClass(), reader)) {
        workflow::remote::ThrowMissingReplyValue();
    }
    result = dynamic_cast<rzk::WorkflowManager*>(manager.Get());
    return result;
}
