#pragma once

#include <atomic>
#include <cstdint>

#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom {

class GenericMessageQueue;
class ProxyObject;
namespace detail {
class QueueCore;
class RuntimeAccess;
}  // namespace detail

// An actor: an object bound to one message queue. All its callbacks (HandleMessage, HandleTimeoutEvent,
// HandleOnIdleEvent, OnManage) run on that queue's thread, one at a time. The queue holds a counted
// reference to every object it manages until the queue shuts down or the object is unmanaged.
//
// A queue's thread (its owner) is the thread running its message loop or pumping it, and after that still
// that thread until another one runs or pumps it. Before any thread has, a manual-clock queue belongs to the
// thread that made it and a steady-clock queue to no thread: what would run on its thread waits in the queue.
//
//     auto queue = dom::GenericMessageQueue::CreateManual();
//     du::SmartPtr<Module> module(new Module);
//     module->ManageSelf(queue, "Module", 0);       // OnManage runs here: this thread owns the queue
//     module->ManageObject(observer);                // observer->OnManage() runs before this returns
//     queue->AdvanceTime(100);
//     queue->RunPending();                           // due timeouts, then the queued messages
class RZHOST_API ManagedObject : public virtual du::RefCounted {
public:
    ManagedObject();
    ~ManagedObject() override;

    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    // Reflection, in the host's slot order. The defaults describe a class with no remote interface:
    // offset -1 for every name, no base classes. Any thread.
    virtual std::int16_t BaseClassOffsetByName(const du::Symbol& className) const;
    // Any thread.
    virtual int GetBaseClassCount() const;
    // Any thread.
    virtual std::int16_t GetBaseClassParent(int index) const;
    // Any thread.
    virtual du::Symbol GetBaseClass(int index) const;
    // The class whose proxy factory serves this object: GetBaseClass(0) when the class describes itself,
    // otherwise EMPTY. Any thread.
    virtual du::Symbol GetObjectClass() const;
    // A message for this object. The default returns it to its sender as of an unknown method table.
    // Queue thread only.
    virtual void HandleMessage(const MessagePtr& message);
    // A recurring timeout fell due; now is the latest time in ms at which it fell due (it fires at most once
    // a round of the queue: periods missed meanwhile are skipped). Queue thread only.
    virtual void HandleTimeoutEvent(std::int64_t now);
    // The queue has run out of messages for now (timeouts alone do not count as work that ends in idleness).
    // Queue thread only.
    virtual void HandleOnIdleEvent();
    // The object has just been put under management. Queue thread only.
    virtual void OnManage();

    // Binds this object to queue and registers it under name (unset or "" for none) for
    // GetDistinguishedObject; then OnManage runs, at once when called on the queue's thread, else through the
    // queue. scope is kept for the host's interface; there is one scope, the process. False when queue is
    // null, this object is managed already or the name is taken. Throws ActorShutdownException when the
    // queue has been shut down. Any thread.
    bool ManageSelf(const du::SmartPtr<GenericMessageQueue>& queue, const du::Symbol& name, int scope);
    // Binds object to this object's queue; its OnManage runs before this returns when called on the queue's
    // thread, else through the queue. True also when object is managed by this queue already. False when
    // this object is unmanaged, object is null or object is bound to another queue. Any thread.
    bool ManageObject(const du::SmartPtr<ManagedObject>& object);
    // True when the calling thread is the owner of this object's queue. Any thread.
    bool IsManagedByCurrentThread() const;

    // Takes this object off its queue: its timeouts and name go, messages still waiting for it come back
    // to their senders unhandled, and the queue drops its reference once those have been dealt with. An
    // unmanaged object stays bound to its queue and can be managed there again. False when it was not
    // managed. Any thread.
    bool Unmanage();
    // True while a queue manages this object. Any thread.
    bool IsManaged() const;
    // Runs this object's queue on the calling thread until the queue is shut down; returns 0, at once when
    // the queue has been shut down already. An exception from a callback ends the loop, shuts the queue down
    // and passes on. Throws InvalidActorException when this object is not managed by a running queue or the
    // queue already runs on another thread. Any thread.
    int RunMessageLoop();
    // Makes HandleTimeoutEvent run every periodMs ms, first periodMs from now; a due time beyond the clock's
    // range is never reached. False when this object is unmanaged or periodMs is not positive. Any thread.
    bool AddRecurringTimeout(std::int64_t periodMs);

    // A writer for a new message to this object through method table 0, or, on a proxy, to the proxy's
    // target through the proxy's interface index. Any thread.
    MessageWriter StartNewMessage(std::int16_t tag) const;
    // As StartNewMessage(tag), through an explicit method table. Any thread.
    MessageWriter StartNewMessage(std::int16_t tag, std::int16_t methodTable) const;
    // Queues message to its target. A message with the needs-reply flag blocks until the target replied or
    // the message came back (refused, handled without reply, queue shut down); made on the target's own
    // queue thread, it runs the target's HandleMessage directly instead. Answers true when a one-way message
    // was queued or a reply arrived; on false a reader of the message finds no values. Throws
    // MessageProtocolException when the message was delivered before. Any thread.
    bool DeliverMessage(const MessagePtr& message) const;

private:
    friend class detail::RuntimeAccess;  // the runtime's one way into this state (dom/detail/RuntimeAccess.h)

    std::atomic<detail::QueueCore*> queue_{nullptr};  // bound once; the object holds a reference to it
    std::atomic<bool> managed_{false};
    // Unmanagements whose keepers are still queued: a message queued before one of them comes back unhandled,
    // even when the object has been managed again meanwhile.
    std::atomic<int> unmanagementsQueued_{0};
    du::Symbol name_;                     // guarded by the queue's lock
    const ProxyObject* proxy_ = nullptr;  // this object as a proxy, set by ProxyObject
};

}  // namespace dom
