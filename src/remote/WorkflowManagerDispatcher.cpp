#include "remote/WorkflowManagerDispatcher.h"

#include <cstdint>
#include <utility>

#include "diagnostics/FlightRecorder.h"
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

// The host calls that a replay of the view's input makes again (add, remove, persistent, mode, page) are
// recorded as the host made them, before they run: what they cause (installations, the workflows' own
// calls) follows from them. The other operations record nothing.
template <std::int16_t TAG>
struct HostCallRecord {
    const InputTap* tap;
    void operator()(const auto&...) const {}
};
template <>
struct HostCallRecord<4> {
    const InputTap* tap;
    void operator()(const du::Symbol& name, bool persistent) const {
        tap->Record(FlightRecord::HostAdd(name, 0, persistent));
    }
};
template <>
struct HostCallRecord<5> {
    const InputTap* tap;
    void operator()(const du::Symbol& name, unsigned int priority, bool persistent) const {
        tap->Record(FlightRecord::HostAdd(name, priority, persistent));
    }
};
template <>
struct HostCallRecord<6> {
    const InputTap* tap;
    void operator()(unsigned int priority, bool persistent) const {
        tap->Record(FlightRecord::HostPersistent(priority, persistent));
    }
};
template <>
struct HostCallRecord<7> {
    const InputTap* tap;
    void operator()(unsigned int priority) const { tap->Record(FlightRecord::HostRemove(priority)); }
};
template <>
struct HostCallRecord<8> {
    const InputTap* tap;
    void operator()(const du::Symbol& name) const { tap->Record(FlightRecord::HostRemove(name)); }
};
template <>
struct HostCallRecord<10> {
    const InputTap* tap;
    void operator()(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                    const du::SmartPtr<du::RefCounted>& modeObject) const {
        tap->Record(FlightRecord::Mode(workflowName, modeString, modeNumber, !modeObject.IsNull()));
    }
};
template <>
struct HostCallRecord<13> {
    const InputTap* tap;
    void operator()(int page) const { tap->Record(FlightRecord::Page(page)); }
};

// Reads the values of the tag's operation in order and calls it; the operations are picked by a direct
// switch over the tag. False for an unknown tag or a value that could not be read; the operation has not
// been called then.
bool CallOperation(std::int16_t tag, const dom::MessagePtr& message, WorkflowManager& manager,
                   const InputTap* tap) {
    rzk::WorkflowManager& target = manager;
    const auto* self = dynamic_cast<const dom::ManagedObject*>(&manager);
    const bool recording = tap && tap->Recording();
    switch (tag) {
#define WORKFLOW_DISPATCH_CASE(tag, name, ...)                                                \
    case tag:                                                                                 \
        return recording ? remote::Decode(&rzk::WorkflowManager::name, message, target, self, \
                                          HostCallRecord<tag>{tap})                           \
                         : remote::Decode(&rzk::WorkflowManager::name, message, target, self);
        WORKFLOW_MANAGER_OPERATIONS(WORKFLOW_DISPATCH_CASE)
#undef WORKFLOW_DISPATCH_CASE
        default:
            return false;
    }
}

}  // namespace

void DispatchWorkflowManagerMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager,
                                    const InputTap* tap) {
    const std::int16_t table = message->GetMethodTable();
    if (table != 0 && table != 1) {
        remote::RefuseMethodTable(Tracer(), INTERFACE_LINE, message);
        return;
    }
    const std::int16_t tag = message->GetTag();
    if (!manager || !CallOperation(tag, message, *manager, tap)) {
        remote::RefuseTag(Tracer(), INTERFACE_LINE, message, tag);
    }
}

const ManagerMessageDecoder& ManagerDispatcher() {
    class Dispatcher final : public ManagerMessageDecoder {
    public:
        void Decode(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager,
                    const InputTap* tap) const override {
            DispatchWorkflowManagerMessage(message, std::move(manager), tap);
        }
    };
    static const Dispatcher dispatcher;
    return dispatcher;
}

}  // namespace workflow
