#include "remote/WorkflowManagerDispatcher.h"

#include <cstdint>
#include <utility>

#include "dom/ManagedObject.h"
#include "dp/RZTracer.h"
#include "remote/RemoteCall.h"
#include "remote/RemoteOperations.h"
#include "remote/RemoteTrace.h"

namespace workflow {
namespace {

constexpr const char* INTERFACE_LINE = "for interface \"workflow::WorkflowManagerLocalImpl\".\n";

dp::RZTracer& Tracer() {
    static dp::RZTracer tracer("<generated code>", "WorkflowManager");
    return tracer;
}

// Reads the values of the tag's operation in order and calls it; the operations are picked by a direct
// switch over the tag. False for an unknown tag or a value that could not be read; the operation has not
// been called then.
bool CallOperation(std::int16_t tag, const dom::MessagePtr& message, WorkflowManager& manager) {
    rzk::WorkflowManager& target = manager;
    const auto* self = dynamic_cast<const dom::ManagedObject*>(&manager);
    switch (tag) {
#define WORKFLOW_DISPATCH_CASE(tag, name, ...) \
    case tag:                                  \
        return remote::Decode(&rzk::WorkflowManager::name, message, target, self);
        WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_DISPATCH_CASE)
#undef WORKFLOW_DISPATCH_CASE
        default:
            return false;
    }
}

}  // namespace

void DispatchWorkflowManagerMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager) {
    const std::int16_t table = message->GetMethodTable();
    if (table != 0 && table != 1) {
        remote::RefuseMethodTable(Tracer(), INTERFACE_LINE, message);
        return;
    }
    const std::int16_t tag = message->GetTag();
    if (!manager || !CallOperation(tag, message, *manager)) {
        remote::RefuseTag(Tracer(), INTERFACE_LINE, message, tag);
    }
}

const ManagerMessageDecoder& ManagerDispatcher() {
    class Dispatcher final : public ManagerMessageDecoder {
    public:
        void Decode(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager) const override {
            DispatchWorkflowManagerMessage(message, std::move(manager));
        }
    };
    static const Dispatcher dispatcher;
    return dispatcher;
}

}  // namespace workflow
