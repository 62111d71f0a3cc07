#pragma once

// Internal to the actor runtime: the shared state behind a MessageQueue. Managed objects refer to the core,
// not to the public queue, so a queue can be dropped while objects that were on it live on.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/detail/RuntimeAccess.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom::detail {

// A hint to the processor that the caller spins waiting for another thread.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

class QueueCore : public du::RefCounted {
public:
    enum class BindResult { Added, AlreadyHere, Refused, ShutDown };

    QueueCore(bool manualClock, std::int64_t startTime);
    ~QueueCore() override;

    std::int64_t Now() const;
    // Moves a manual clock forward, stopping at its end.
    void AdvanceTime(std::int64_t ms);
    bool HasManualClock() const { return manualClock_; }

    // True on the thread that owns the queue (see RuntimeAccess.h for who that is).
    bool IsOwnerThread() const {
        return owner_.load(std::memory_order_acquire) == std::this_thread::get_id();
    }
    // Runs callback at once when the calling thread owns the queue, so that it does not wait in the queue for
    // this very thread; answers false, without running it, on any other thread. While it runs, no other
    // thread can start running the queue.
    template <class Callback>
    bool RunIfOwnerThread(Callback&& callback);

    bool IsStopRequested() const { return stopRequested_.load(std::memory_order_seq_cst); }
    bool IsManaging(const ManagedObject& object) const { return RuntimeAccess::IsManagedBy(object, *this); }

    BindResult Manage(ManagedObject& object, const du::Symbol& name);
    // The OnManage of an object just managed here: at once on the owner thread, else through the queue.
    void StartManagement(ManagedObject& object);
    bool Unmanage(ManagedObject& object);
    bool AddTimer(ManagedObject& object, std::int64_t period);

    // Queues a message (the queue takes a reference) and answers None, or why it was refused: the queue
    // stopped accepting, or the target is not managed here. Unmanage and shutdown wait for posts under way,
    // so every accepted message runs (or is returned) before the queue lets go of its target.
    ReturnReason Post(const MessagePtr& message);
    // Runs one message on the calling thread, completing a waiting sender however the handler ends.
    void Dispatch(const MessagePtr& message);

    int RunLoop();
    std::size_t RunPending();
    std::size_t RunNestedRounds();
    void Shutdown(int mode);
    // Calls queued for objects and not yet taken out; the queue's own messages are not counted.
    std::size_t GetPendingCount() const;
    std::size_t GetManagedCount() const;

private:
    struct Timer {
        std::int64_t due;
        std::uint64_t order;
        std::int64_t period;
        ManagedObject* object;  // managed, so the queue's reference keeps it alive
    };
    struct LaterFirst {
        bool operator()(const Timer& a, const Timer& b) const {
            return a.due != b.due ? a.due > b.due : a.order > b.order;
        }
    };
    enum class Direct { Refused, WhileRunning, WhileIdle };

    // The list is multi-producer, single-consumer (after Vyukov): a post is one exchange. Only the thread
    // that runs the queue, or the one finishing its shutdown, takes messages out.
    void Push(Message& message);
    Message* PopOne();
    bool HasQueued() const;
    void WaitForPosts() const;
    void RefreshNextDueLocked();
    void Wake();

    Direct EnterDirect();
    void LeaveDirect();
    bool BeginRun(const char* what);
    bool EndRun(bool stop);
    std::size_t FireDueTimers();
    std::size_t ProcessMessages(std::size_t limit);
    void AnnounceIdle();
    void WaitForWork(bool spin);
    void FinishShutdown();

    const bool manualClock_;
    std::atomic<std::int64_t> manualNow_;
    // Changed only under the lock, while no thread runs the queue and the owner makes no direct call.
    std::atomic<std::thread::id> owner_;
    std::atomic<bool> running_{false};  // set under the lock, by the owner only
    std::atomic<bool> stopRequested_{false};
    std::atomic<int> mode_{1};
    std::atomic<std::int64_t> nextDue_;

    // Written by posting threads. Calls for objects and the queue's own messages (OnManage, keepers) are
    // counted apart, so that the pending count is the calls'.
    alignas(64) std::atomic<QueueLink*> head_;
    std::atomic<std::size_t> posted_{0};
    std::atomic<std::size_t> internalPosted_{0};
    std::atomic<int> posting_{0};
    // Written by the consuming thread.
    alignas(64) QueueLink* tail_;
    std::atomic<std::size_t> taken_{0};
    std::atomic<std::size_t> internalTaken_{0};
    std::atomic<bool> sleeping_{false};
    QueueLink stub_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // the sleeping loop, and a thread waiting to take the queue over
    int directCalls_ = 0;           // callbacks that the owner runs itself while no thread runs the queue
    bool shutDown_ = false;
    std::uint64_t timerOrder_ = 0;
    std::vector<Timer> timers_;
    std::vector<du::SmartPtr<ManagedObject>> managed_;
    std::vector<du::SmartPtr<ManagedObject>> idlePass_;  // the running thread's; kept for its capacity
};

template <class Callback>
bool QueueCore::RunIfOwnerThread(Callback&& callback) {
    switch (EnterDirect()) {
        case Direct::Refused:
            return false;
        case Direct::WhileRunning:
            callback();
            return true;
        case Direct::WhileIdle:
            break;
    }
    struct Leave {
        QueueCore& core;
        ~Leave() { core.LeaveDirect(); }
    } leave{*this};
    callback();
    return true;
}

}  // namespace dom::detail
