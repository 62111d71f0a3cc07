#include "remote/WorkflowModuleDispatcher.h"

#include <cstdint>

#include "dom/ManagedObject.h"
#include "dp/RZTracer.h"
#include "remote/RemoteCall.h"
#include "remote/RemoteOperations.h"
#include "remote/RemoteTrace.h"

namespace workflow {
namespace {

constexpr const char* INTERFACE_LINE = "for interface \"workflow::WorkflowModuleLocalImpl\".\n";

dp::RZTracer& Tracer() {
    static dp::RZTracer tracer("<generated code>", "WorkflowModule");
    return tracer;
}

// Reads the values of the tag's operation and calls it. False for an unknown tag or a value that could not
// be read; the operation has not been called then.
bool CallOperation(std::int16_t tag, const dom::MessagePtr& message, WorkflowModule& module) {
    rzk::WorkflowModule& target = module;
    const auto* self = dynamic_cast<const dom::ManagedObject*>(&module);
    switch (tag) {
#define WORKFLOW_DISPATCH_CASE(tag, name, ...) \
    case tag:                                  \
        return remote::Decode(&rzk::WorkflowModule::name, message, target, self);
        WORKFLOW_MODULE_OPERATIONS(WORKFLOW_DISPATCH_CASE)
#undef WORKFLOW_DISPATCH_CASE
        default:
            return false;
    }
}

}  // namespace

void DispatchWorkflowModuleMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowModule> module) {
    const std::int16_t table = message->GetMethodTable();
    if (table != 0 && table != 1) {
        remote::RefuseMethodTable(Tracer(), INTERFACE_LINE, message);
        return;
    }
    const std::int16_t tag = message->GetTag();
    if (!module || !CallOperation(tag, message, *module)) {
        remote::RefuseTag(Tracer(), INTERFACE_LINE, message, tag);
    }
}

}  // namespace workflow
