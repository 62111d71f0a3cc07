#pragma once

// Internal to the actor runtime: only its .cpp files include this. ManagedObject, Message, MessageWriter,
// MessageReader, MessageQueue and ProxyObject keep their runtime state private and name RuntimeAccess as
// their one friend, so every rule about that state is kept by the operations below, and reads here:
//
// - Who owns a queue: the thread that runs its loop or pumps it, and after that, still that thread until
//   another one runs or pumps it. A queue that no thread has run or pumped yet belongs, with a manual clock,
//   to the thread that made it (such a queue is pumped by hand, and its maker sets up its objects and calls
//   them before the first pump), and with the steady clock to no thread: it is made to be run by a loop,
//   often on another thread, and its callbacks wait in the queue for that loop. The owner runs callbacks
//   that it asks for itself at once (a blocking call, OnManage); while it does, no other thread starts
//   running the queue. QueueCore keeps this.
// - When an object is managed: an object is bound to one queue for life, the first time it is managed. It is
//   managed from then until Unmanage or the queue's shutdown, and may be managed there again. While managed,
//   the queue holds a reference to it; Unmanage hands that reference to a keeper message queued behind the
//   messages already waiting for the object, which come back to their senders unhandled, even when the object
//   has been managed again meanwhile.
// - When a message may be recycled: its block goes back to its thread's cache when the last reference goes.
//   The queue holds one from Post until the message has run or come back, a blocked sender holds one until it
//   has read the reply, and the thread that completes a waiting sender holds one while it wakes it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyObject.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom::detail {

class QueueCore;

class RuntimeAccess {
public:
    // --- Queues

    static QueueCore& CoreOf(const MessageQueue& queue) { return *queue.core_; }

    // --- Objects and their queue

    static QueueCore* QueueOf(const ManagedObject& object) {
        return object.queue_.load(std::memory_order_acquire);
    }
    // Binds object to core unless it is bound already; answers the queue it is bound to now. Binding gives
    // the object a reference to the core, released by its destructor.
    static QueueCore* BindOnce(ManagedObject& object, QueueCore& core);
    static bool IsManagedBy(const ManagedObject& object, const QueueCore& core) {
        return QueueOf(object) == &core && object.managed_.load(std::memory_order_seq_cst);
    }
    // Only under the lock of the object's queue.
    static bool IsMarkedManaged(const ManagedObject& object) {
        return object.managed_.load(std::memory_order_relaxed);
    }
    // Only under the lock of the object's queue.
    static void MarkManaged(ManagedObject& object, bool managed) {
        object.managed_.store(managed, std::memory_order_seq_cst);
    }
    // The object's distinguished name; only under the lock of the object's queue.
    static du::Symbol ExchangeName(ManagedObject& object, du::Symbol name) {
        return std::exchange(object.name_, std::move(name));
    }
    static bool HasName(const ManagedObject& object) { return object.name_.IsSet(); }

    // An unmanagement whose keeper is queued: what was queued for the object before it comes back unhandled.
    static void BeginUnmanagement(ManagedObject& object) {
        object.unmanagementsQueued_.fetch_add(1, std::memory_order_acq_rel);
    }
    static void EndUnmanagement(ManagedObject& object) {
        object.unmanagementsQueued_.fetch_sub(1, std::memory_order_acq_rel);
    }
    static bool IsUnmanagementQueued(const ManagedObject& object) {
        return object.unmanagementsQueued_.load(std::memory_order_acquire) > 0;
    }

    // --- Proxies

    static const ProxyObject* ProxyOf(const ManagedObject& object) { return object.proxy_; }
    static void MarkAsProxy(ProxyObject& proxy) { static_cast<ManagedObject&>(proxy).proxy_ = &proxy; }
    static void BindProxy(ProxyObject& proxy, du::SmartPtr<ManagedObject> target) {
        proxy.target_ = std::move(target);
    }
    // The object that messages started on object go to: a proxy's target, or object itself.
    static ManagedObject* Addressee(const ManagedObject& object) {
        return object.proxy_ ? object.proxy_->GetTarget().Get() : const_cast<ManagedObject*>(&object);
    }

    // --- Messages

    using Purpose = Message::Purpose;
    using Value = Message::Value;

    static MessagePtr NewMessage(ManagedObject* target, std::int16_t methodTable, std::int16_t tag,
                                 Purpose purpose) {
        return MessagePtr(new Message(target, methodTable, tag, purpose));
    }
    static Purpose PurposeOf(const Message& message) { return message.purpose_; }
    // A call may be delivered once; false for one delivered before and for the queue's own messages.
    static bool MarkDelivered(Message& message) {
        if (message.posted_ || message.purpose_ != Purpose::Call) {
            return false;
        }
        message.posted_ = true;
        return true;
    }
    static void MarkWaited(Message& message) { message.waited_ = true; }
    static bool IsWaited(const Message& message) { return message.waited_; }
    static bool IsComplete(const Message& message) { return message.IsComplete(); }
    // The caller holds a reference to the message.
    static void Complete(Message& message) { message.Complete(); }
    static void WaitForCompletion(Message& message) { message.WaitForCompletion(); }
    static void Return(Message& message, ReturnReason reason) { message.Return(reason); }
    // A reply arrived and the message did not come back.
    static bool IsAnswered(const Message& message) {
        return message.replied_ && message.returnReason_ == ReturnReason::None;
    }

    // The link through which a queue's list holds the message.
    static QueueLink* LinkOf(Message& message) { return &message; }
    static Message& MessageOf(QueueLink& link) { return static_cast<Message&>(link); }

    // --- Values, for the writer, the reader and handles

    static Value& Append(Message& message) { return message.Append(); }
    static Value* At(Message& message, std::size_t index) { return message.At(index); }
    // Drops the request values: what is pushed from now on is the reply.
    static void StartReply(Message& message) {
        message.ClearValues();
        message.replied_ = true;
    }
    static Message& Written(MessageWriter& writer) { return writer.Target(); }
    // The next value if it is of kind (the reader moves past it), else null.
    static Value* Next(MessageReader& reader, ValueKind kind) { return reader.Next(kind); }
    // Moves the reader back over the value it read last.
    static void Unread(MessageReader& reader) { --reader.position_; }
};

}  // namespace dom::detail
