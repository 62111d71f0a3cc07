#include "remote/WorkflowModuleDispatcher.h"

#include <cstdint>

#include "dom/Helper.h"
#include "dom/ManagedObject.h"
#include "dp/RZTracer.h"
#include "remote/RemoteTrace.h"
#include "remote/RemoteValues.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"

namespace workflow {
namespace {

constexpr const char* kInterfaceLine = "for interface \"workflow::WorkflowModuleLocalImpl\".\n";

dp::RZTracer& Tracer() {
    static dp::RZTracer tracer("<generated code>", "WorkflowModule");
    return tracer;
}

// Answers CreateManager; false when the view cannot be read.
bool CreateManager(const dom::MessagePtr& message, WorkflowModule& module) {
    const auto* self = dynamic_cast<const dom::ManagedObject*>(&module);
    dom::MessageReader reader(message);
    du::SmartPtr<rzk::View> view;
    if (!self || !remote::TakeObject(reader, view)) {
        return false;
    }
    rzk::WorkflowModule& target = module;
    const du::SmartPtr<rzk::WorkflowManager> manager = target.CreateManager(view);

    dom::MessageWriter reply;
    reply.StartMessageReply(message);
    const auto index = static_cast<std::int16_t>(manager ? manager->GetInterfaceIndex(0) : 0);
    const du::SmartPtr<dom::ManagedObject> object(dynamic_cast<dom::ManagedObject*>(manager.Get()));
    dom::Helper(*self).PushHandleValue(object, index, reply);
    reply.FinaliseMessage();
    return true;
}

}  // namespace

void DispatchWorkflowModuleMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowModule> module) {
    const std::int16_t table = message->GetMethodTable();
    if (table != 0 && table != 1) {
        remote::RefuseMethodTable(Tracer(), kInterfaceLine, message);
        return;
    }
    const std::int16_t tag = message->GetTag();
    if (tag != 0) {
        remote::RefuseTag(Tracer(), kInterfaceLine, message, tag);
        return;
    }
    if (!module || !CreateManager(message, *module)) {
        remote::RefuseTag(Tracer(), kInterfaceLine, message, 0);
    }
}

}  // namespace workflow
