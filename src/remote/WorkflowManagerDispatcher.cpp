#include "remote/WorkflowManagerDispatcher.h"

#include <cstdint>

#include "dom/ManagedObject.h"
#include "dp/RZTracer.h"
#include "manager/WorkflowManagerImpl.h"
#include "remote/RemoteTrace.h"
#include "remote/RemoteValues.h"
#include "rzk/NotificationObserver.h"
#include "rzk/WorkflowManagerObserver.h"

namespace workflow {
namespace {

using remote::ReadObserver;
using remote::TakeObject;

constexpr const char* kInterfaceLine = "for interface \"workflow::WorkflowManagerLocalImpl\".\n";

dp::RZTracer& Tracer() {
    static dp::RZTracer tracer("<generated code>", "WorkflowManager");
    return tracer;
}

const du::Symbol& NotificationObserverClass() {
    static const du::Symbol name("rzk::NotificationObserver");
    return name;
}

const du::Symbol& ManagerObserverClass() {
    static const du::Symbol name("rzk::WorkflowManagerObserver");
    return name;
}

// The reply of an operation with results: the reply values replace the request's, and the waiting sender
// reads them.
class Reply {
public:
    explicit Reply(const dom::MessagePtr& received) { writer_.StartMessageReply(received); }
    ~Reply() = default;
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;

    dom::MessageWriter& Writer() { return writer_; }
    void Send() { writer_.FinaliseMessage(); }

private:
    dom::MessageWriter writer_;
};

// Reads the values of one operation in order and calls it. False when a value could not be read; the
// operation has not been called then, and whatever was read is released on return.
bool CallOperation(std::int16_t tag, const dom::MessagePtr& message, WorkflowManager& manager,
                   const InputTap* tap) {
    rzk::WorkflowManager& target = manager;
    // The host calls a replay has to make again are recorded as the host made them, before they run:
    // what they cause (installations, the workflows' own calls) follows from them.
    auto record = [tap](const FlightRecord& call) {
        if (tap) {
            tap->Record(call);
        }
    };
    dom::MessageReader reader(message);
    du::Symbol text, text2;
    std::uint32_t unsignedNumber = 0;
    std::int32_t number = 0, number2 = 0;
    bool flag = false;
    du::SmartPtr<du::RefCounted> object;

    switch (tag) {
        case 0:
        case 1: {
            du::SmartPtr<rzk::NotificationObserver> observer;
            const auto* self = dynamic_cast<const dom::ManagedObject*>(&manager);
            if (!self || !ReadObserver(*self, NotificationObserverClass(), reader, observer)) {
                return false;
            }
            if (tag == 0) {
                target.RegisterNotificationObserver(observer);
            } else {
                target.DeregisterNotificationObserver(observer);
            }
            break;
        }
        case 2:
        case 3: {
            du::SmartPtr<rzk::WorkflowManagerObserver> observer;
            const auto* self = dynamic_cast<const dom::ManagedObject*>(&manager);
            if (!self || !ReadObserver(*self, ManagerObserverClass(), reader, observer)) {
                return false;
            }
            if (tag == 2) {
                target.RegisterObserver(observer);
            } else {
                target.DeregisterObserver(observer);
            }
            break;
        }
        case 4:
            if (!reader.GetStringValue(text) || !reader.GetBooleanValue(flag)) {
                return false;
            }
            record(FlightRecord::HostAdd(text, 0, flag));
            target.AddWorkflow(text, flag);
            break;
        case 5:
            if (!reader.GetStringValue(text) || !reader.GetUInt32Value(unsignedNumber) ||
                !reader.GetBooleanValue(flag)) {
                return false;
            }
            record(FlightRecord::HostAdd(text, unsignedNumber, flag));
            target.AddWorkflowAtPriority(text, unsignedNumber, flag);
            break;
        case 6:
            if (!reader.GetUInt32Value(unsignedNumber) || !reader.GetBooleanValue(flag)) {
                return false;
            }
            record(FlightRecord::HostPersistent(unsignedNumber, flag));
            target.SetWorkflowPersistent(unsignedNumber, flag);
            break;
        case 7:
            if (!reader.GetUInt32Value(unsignedNumber)) {
                return false;
            }
            record(FlightRecord::HostRemove(unsignedNumber));
            target.RemoveWorkflowByPriority(unsignedNumber);
            break;
        case 8:
            if (!reader.GetStringValue(text)) {
                return false;
            }
            record(FlightRecord::HostRemove(text));
            target.RemoveWorkflowByName(text);
            break;
        case 9: {
            if (!reader.GetUInt32Value(unsignedNumber)) {
                return false;
            }
            const du::Symbol result = target.FindWorkflow(unsignedNumber);
            Reply reply(message);
            reply.Writer().PushStringValue(result);
            reply.Send();
            return true;
        }
        case 10:
            if (!reader.GetStringValue(text) || !reader.GetStringValue(text2) ||
                !reader.GetInt32Value(number) || !TakeObject(reader, object)) {
                return false;
            }
            record(FlightRecord::Mode(text, text2, number, !object.IsNull()));
            target.SendModeMessage(text, text2, number, object);
            break;
        case 11: {
            if (!reader.GetStringValue(text)) {
                return false;
            }
            du::Symbol symbol;
            const bool result = target.QueryWorkflows(text, symbol, number, object);
            Reply reply(message);
            reply.Writer().PushStringValue(symbol);
            reply.Writer().PushInt32Value(number);
            remote::PushObject(object, reply.Writer());
            reply.Writer().PushBooleanValue(result);
            reply.Send();
            return true;
        }
        case 12:
            target.ToggleComponentRotate();
            break;
        case 13:
            if (!reader.GetInt32Value(number)) {
                return false;
            }
            record(FlightRecord::Page(number));
            target.SetCurPage(number);
            break;
        case 14:
            target.UpdateStatusMsg();
            break;
        case 15:
            if (!reader.GetUInt32Value(unsignedNumber) || !reader.GetStringValue(text)) {
                return false;
            }
            target.SetMouseCursor(unsignedNumber, text);
            break;
        case 16: {
            const du::Symbol result = target.GetCurrentCursor();
            Reply reply(message);
            reply.Writer().PushStringValue(result);
            reply.Send();
            return true;
        }
        case 17:
            if (!reader.GetInt32Value(number) || !reader.GetInt32Value(number2)) {
                return false;
            }
            target.SetCursorPosition(number, number2);
            break;
        case 18:
            if (!reader.GetStringValue(text) || !reader.GetStringValue(text2)) {
                return false;
            }
            target.OutputTraceString(text, text2);
            break;
        case 19:
            if (!reader.GetStringValue(text) || !reader.GetStringValue(text2)) {
                return false;
            }
            target.HandleTraceString(text, text2);
            break;
        case 20:
            if (!reader.GetBooleanValue(flag)) {
                return false;
            }
            target.SetWorkflowTraceEnabled(flag);
            break;
        case 21: {
            const bool result = target.IsWorkflowTraceEnabled();
            Reply reply(message);
            reply.Writer().PushBooleanValue(result);
            reply.Send();
            return true;
        }
        case 22:
            if (!TakeObject(reader, object)) {
                return false;
            }
            target.ManagePluginObserver(object);
            break;
        case 23: {
            if (!reader.GetStringValue(text)) {
                return false;
            }
            const du::SmartPtr<du::RefCounted> result = target.GetInternalInterface(text);
            Reply reply(message);
            remote::PushObject(result, reply.Writer());
            reply.Send();
            return true;
        }
        case 24:
            target.Destroy();
            break;
        default:
            return false;
    }
    // A one-way operation: whatever the sender asked for, there is no reply to wait for.
    message->ClearNeedsReplyFlag();
    return true;
}

}  // namespace

void DispatchWorkflowManagerMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager,
                                    const InputTap* tap) {
    const std::int16_t table = message->GetMethodTable();
    if (table != 0 && table != 1) {
        remote::RefuseMethodTable(Tracer(), kInterfaceLine, message);
        return;
    }
    const std::int16_t tag = message->GetTag();
    if (!manager || !CallOperation(tag, message, *manager, tap)) {
        remote::RefuseTag(Tracer(), kInterfaceLine, message, tag);
    }
}

void WorkflowManagerImpl::HandleMessage(const dom::MessagePtr& message) {
    // The reference travels with the call: an operation may drop the last other one (Destroy, a host
    // releasing its proxy meanwhile).
    const InputTap tap = Tap();
    DispatchWorkflowManagerMessage(message, du::SmartPtr<WorkflowManager>(this), &tap);
}

}  // namespace workflow
