#pragma once

#include <cstddef>
#include <cstdint>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace dom {

namespace detail {
class QueueCore;
class RuntimeAccess;
}  // namespace detail

// A FIFO of messages plus a heap of recurring timeouts, run by one thread. Time is in milliseconds: of the
// steady clock, or of a manual clock that only AdvanceTime moves (for tests, which then pump the queue with
// RunPending instead of running the loop). Dropping the last reference shuts the queue down.
//
// A queue belongs to the thread that runs or pumps it; one that no thread has run or pumped yet belongs, with
// a manual clock, to the thread that made it, and with the steady clock to no thread (its callbacks wait in
// the queue for the loop that will run it).
//
//     auto queue = dom::GenericMessageQueue::CreateManual();   // time 0, owned by this thread
//     object->ManageSelf(queue, du::Symbol(), 0);
//     object->AddRecurringTimeout(100);
//     queue->AdvanceTime(250);
//     queue->RunPending();   // HandleTimeoutEvent(200) once (the period missed at 100 is skipped), then
//     messages
class RZHOST_API MessageQueue : public du::RefCounted {
public:
    // Handle what is queued already, then end the loop. (A queue that no thread runs or pumps at that
    // moment returns its queued messages instead: they must not run on a thread not their own.)
    static constexpr int SHUTDOWN_AFTER_PENDING = 0;
    // End the loop after the current callback; queued messages come back to their senders unhandled.
    static constexpr int SHUTDOWN_NOW = 1;

    ~MessageQueue() override;

    // Stops the queue: no message is accepted from now on, the loop ends (see the modes), every waiting
    // sender is released, and the managed objects are dropped (on the loop's thread when a loop runs). Any
    // thread.
    void ShutdownQueue(int mode);
    // Runs the queue on the calling thread until it is shut down; see ManagedObject::RunMessageLoop. Any
    // thread.
    int RunMessageLoop();
    // Pumps by hand on the calling thread, which becomes the owner: fires the due timeouts in time order,
    // each at most once, as of the latest time it fell due (periods it missed are skipped, not made up), then
    // handles queued messages until none is left (also those queued meanwhile), then announces idleness if
    // a message ran (timeouts alone do not end in an announcement). Answers the number of timeouts and
    // messages handled. Throws InvalidActorException while a loop runs. The pumping thread.
    std::size_t RunPending();
    // From a callback on the thread that runs the queue (a loop or a pump): fires the due timeouts and
    // handles the queued messages as a round does, round after round until none is left, then returns to the
    // callback. A host that moves a manual clock from the queue's own thread runs what each step makes due
    // this way, without a round trip to the loop. Answers the number of timeouts and messages handled.
    // Throws InvalidActorException on any other thread. The running thread.
    std::size_t RunNestedRounds();
    // Moves a manual clock forward by ms (nothing for ms <= 0), stopping at the clock's end; throws
    // std::logic_error on a steady-clock queue. Any thread.
    void AdvanceTime(std::int64_t ms);
    // The queue's current time in ms. Any thread.
    std::int64_t Now() const;
    // Any thread.
    bool HasManualClock() const;
    // True once ShutdownQueue was called (or the loop ended). Any thread.
    bool IsShutDown() const;
    // True on the owner thread. Any thread.
    bool IsOwnedByCurrentThread() const;
    // Messages queued for objects and not yet taken out to be handled; the queue's own bookkeeping messages
    // are not counted. Any thread.
    std::size_t GetPendingCount() const;
    // The objects this queue manages now. Any thread.
    std::size_t GetManagedCount() const;

protected:
    MessageQueue(bool manualClock, std::int64_t startTime);

private:
    friend class detail::RuntimeAccess;

    du::SmartPtr<detail::QueueCore> core_;
};

// The host's ordinary message queue.
class RZHOST_API GenericMessageQueue : public MessageQueue {
public:
    // A queue on the steady clock, owned by no thread until one runs (or pumps) it: a blocking call or an
    // OnManage waits in the queue for that thread. Any thread.
    GenericMessageQueue();
    // A queue on a manual clock starting at startTime, owned by the creating thread until another thread
    // pumps or runs it. Any thread.
    static du::SmartPtr<GenericMessageQueue> CreateManual(std::int64_t startTime = 0);

private:
    friend class ManualClockForNewQueues;
    GenericMessageQueue(bool manualClock, std::int64_t startTime) : MessageQueue(manualClock, startTime) {}
};

// A manual clock for the queues a library makes on its own thread (a plug-in's module thread makes its queue
// with the default constructor): while a host holds this object, such queues run on a manual clock starting
// at 0, so that the host decides when time passes. The host makes it around the call that starts the
// library and keeps the queue it caught; however that call ends (a return or an exception), the clock is
// given to no queue made after the object is gone. One at a time per process.
//
//     std::optional<dom::ManualClockForNewQueues> manual(std::in_place);
//     RZDllInit();                                  // its module thread makes its queue meanwhile
//     du::SmartPtr<dom::GenericMessageQueue> queue = manual->Queue();
//     manual.reset();
//     queue->AdvanceTime(100);                      // the plug-in's timers see 100 ms pass
class RZHOST_API ManualClockForNewQueues {
public:
    // Throws std::logic_error while another one lives. Any thread.
    ManualClockForNewQueues();
    // Any thread.
    ~ManualClockForNewQueues();
    ManualClockForNewQueues(const ManualClockForNewQueues&) = delete;
    ManualClockForNewQueues& operator=(const ManualClockForNewQueues&) = delete;

    // The latest queue made on this clock; null when none was. Any thread.
    du::SmartPtr<GenericMessageQueue> Queue() const;
};

}  // namespace dom
