#include "dom/QueueCore.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/MessageQueue.h"

namespace dom::detail {
namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

// Before sleeping, the loop watches the queue for a short while: a sender that posts within that time
// costs no kernel wake-up.
constexpr int IDLE_SPIN_ROUNDS = 2000;

std::int64_t SteadyNow() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace
}  // namespace dom::detail

namespace dom {

void detail::QueueCore::Dispatch(const MessagePtr& message) {
    Message& m = *message;
    ManagedObject* target = m.target_.Get();
    if (m.purpose_ == Message::Purpose::Manage) {
        if (target && IsManaging(*target)) {
            target->OnManage();
        }
        return;
    }
    if (!target || !IsManaging(*target)) {
        m.Return(ReturnReason::Unmanaged);
        return;
    }
    struct Guard {
        Message& m;
        ~Guard() {
            if (!m.waited_ || m.IsComplete()) {
                return;
            }
            // A reply started but never finalised still counts as the reply.
            if (m.replied_) {
                m.Complete();
            } else {
                m.Return(ReturnReason::Unhandled);
            }
        }
    } guard{m};
    target->HandleMessage(message);
}

namespace detail {

QueueCore::QueueCore(bool manualClock, std::int64_t startTime)
    : manualClock_(manualClock), manualNow_(startTime), owner_(std::this_thread::get_id()) {}

QueueCore::~QueueCore() = default;

std::int64_t QueueCore::Now() const {
    return manualClock_ ? manualNow_.load(std::memory_order_acquire) : SteadyNow();
}

void QueueCore::AdvanceTime(std::int64_t ms) {
    bool wake;
    {
        std::lock_guard lock(mutex_);
        manualNow_.fetch_add(ms, std::memory_order_acq_rel);
        wake = sleeping_;
    }
    if (wake) {
        wake_.notify_all();
    }
}

QueueCore::BindResult QueueCore::Manage(ManagedObject& object, const du::Symbol& name) {
    std::lock_guard lock(mutex_);
    if (stopRequested_.load(std::memory_order_relaxed)) {
        return BindResult::ShutDown;
    }
    if (object.proxy_) {
        return BindResult::Refused;
    }
    QueueCore* bound = nullptr;
    if (object.queue_.compare_exchange_strong(bound, this, std::memory_order_acq_rel)) {
        AddReference(&object);  // released by ~ManagedObject
    } else if (bound != this) {
        return BindResult::Refused;
    }
    if (object.managed_.load(std::memory_order_relaxed)) {
        return BindResult::AlreadyHere;
    }
    object.name_ = name;
    managed_.emplace_back(&object);
    object.managed_.store(true, std::memory_order_release);
    return BindResult::Added;
}

bool QueueCore::Unmanage(ManagedObject& object) {
    du::SmartPtr<ManagedObject> released;
    du::Symbol name;
    {
        std::lock_guard lock(mutex_);
        if (!IsManaging(object)) {
            return false;
        }
        object.managed_.store(false, std::memory_order_release);
        auto found = std::find(managed_.begin(), managed_.end(), &object);
        released = std::move(*found);
        managed_.erase(found);
        auto gone = std::remove_if(timers_.begin(), timers_.end(),
                                   [&object](const Timer& timer) { return timer.object == &object; });
        if (gone != timers_.end()) {
            timers_.erase(gone, timers_.end());
            std::make_heap(timers_.begin(), timers_.end(), LaterFirst());
        }
        name = std::exchange(object.name_, du::Symbol());
    }
    if (name.IsSet()) {
        UnregisterDistinguishedName(name, &object);
    }
    return true;
}

bool QueueCore::AddTimer(ManagedObject& object, std::int64_t period) {
    if (period <= 0) {
        return false;
    }
    bool wake;
    {
        std::lock_guard lock(mutex_);
        if (!IsManaging(object) || stopRequested_.load(std::memory_order_relaxed)) {
            return false;
        }
        timers_.push_back(Timer{Now() + period, timerOrder_++, period, &object});
        std::push_heap(timers_.begin(), timers_.end(), LaterFirst());
        wake = sleeping_;
    }
    if (wake) {
        wake_.notify_all();
    }
    return true;
}

bool QueueCore::Post(const MessagePtr& message) {
    Message* node = message.Get();
    bool wake;
    {
        std::lock_guard lock(mutex_);
        if (stopRequested_.load(std::memory_order_relaxed)) {
            return false;
        }
        node->AddReference(this);
        node->next_ = nullptr;
        if (tail_) {
            tail_->next_ = node;
        } else {
            head_ = node;
        }
        tail_ = node;
        ++pending_;
        hasWork_.store(true, std::memory_order_release);
        wake = sleeping_;
    }
    // Only a sleeping loop needs the kernel's help; a busy or spinning one finds the message itself.
    if (wake) {
        wake_.notify_one();
    }
    return true;
}

std::size_t QueueCore::GetPendingCount() const {
    std::lock_guard lock(mutex_);
    return pending_;
}

Message* QueueCore::TakeAll() {
    std::lock_guard lock(mutex_);
    Message* chain = head_;
    head_ = tail_ = nullptr;
    pending_ = 0;
    hasWork_.store(false, std::memory_order_relaxed);
    return chain;
}

void QueueCore::PutBack(Message* chain) {
    if (!chain) {
        return;
    }
    std::lock_guard lock(mutex_);
    Message* last = chain;
    std::size_t count = 1;
    while (last->next_) {
        last = last->next_;
        ++count;
    }
    last->next_ = head_;
    if (!head_) {
        tail_ = last;
    }
    head_ = chain;
    pending_ += count;
    hasWork_.store(true, std::memory_order_release);
}

std::size_t QueueCore::FireDueTimers() {
    std::size_t fired = 0;
    for (;;) {
        du::SmartPtr<ManagedObject> object;
        std::int64_t due;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || stopRequested_.load(std::memory_order_relaxed) ||
                timers_.front().due > Now()) {
                break;
            }
            std::pop_heap(timers_.begin(), timers_.end(), LaterFirst());
            Timer& timer = timers_.back();
            due = timer.due;
            object = timer.object;
            timer.due += timer.period;
            timer.order = timerOrder_++;
            std::push_heap(timers_.begin(), timers_.end(), LaterFirst());
        }
        object->HandleTimeoutEvent(due);
        ++fired;
    }
    return fired;
}

std::size_t QueueCore::ProcessBatch(Message* batch) {
    std::size_t handled = 0;
    while (batch) {
        if (stopRequested_.load(std::memory_order_acquire) &&
            mode_.load(std::memory_order_acquire) == MessageQueue::SHUTDOWN_NOW) {
            PutBack(batch);  // FinishShutdown returns them to their senders
            return handled;
        }
        Message* node = batch;
        batch = node->next_;
        node->next_ = nullptr;
        MessagePtr message(node);
        node->RemoveReference(this);
        try {
            Dispatch(message);
        } catch (...) {
            PutBack(batch);
            throw;
        }
        ++handled;
    }
    return handled;
}

void QueueCore::AnnounceIdle() {
    // One object at a time, so that an idle handler may manage or unmanage objects.
    for (std::size_t i = 0;; ++i) {
        du::SmartPtr<ManagedObject> object;
        {
            std::lock_guard lock(mutex_);
            if (i >= managed_.size() || stopRequested_.load(std::memory_order_relaxed)) {
                return;
            }
            object = managed_[i];
        }
        object->HandleOnIdleEvent();
    }
}

void QueueCore::WaitForWork() {
    for (int round = 0; round < IDLE_SPIN_ROUNDS; ++round) {
        if (hasWork_.load(std::memory_order_acquire) || stopRequested_.load(std::memory_order_acquire)) {
            return;
        }
        CpuRelax();
    }
    std::unique_lock lock(mutex_);
    if (head_ || stopRequested_.load(std::memory_order_relaxed)) {
        return;
    }
    sleeping_ = true;
    if (timers_.empty() || manualClock_) {
        wake_.wait(lock);
    } else {
        std::int64_t due = timers_.front().due;
        if (due > Now()) {
            wake_.wait_until(lock, std::chrono::steady_clock::time_point(std::chrono::milliseconds(due)));
        }
    }
    sleeping_ = false;
}

void QueueCore::BeginRun(const char* what) {
    std::lock_guard lock(mutex_);
    if (running_) {
        throw InvalidActorException(std::string(what) + ": the queue is already being run");
    }
    running_ = true;
    owner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

void QueueCore::EndRun() {
    std::lock_guard lock(mutex_);
    running_ = false;
}

int QueueCore::RunLoop() {
    BeginRun("RunMessageLoop");
    try {
        bool idleAnnounced = true;
        for (;;) {
            if (stopRequested_.load(std::memory_order_acquire)) {
                Message* rest =
                    mode_.load(std::memory_order_acquire) == MessageQueue::SHUTDOWN_NOW ? nullptr : TakeAll();
                if (!rest) {
                    break;
                }
                ProcessBatch(rest);
                continue;
            }
            std::size_t fired = FireDueTimers();
            if (Message* batch = TakeAll()) {
                ProcessBatch(batch);
                idleAnnounced = false;
                continue;
            }
            if (fired) {
                idleAnnounced = false;
                continue;
            }
            if (!idleAnnounced) {
                idleAnnounced = true;
                AnnounceIdle();
                continue;
            }
            WaitForWork();
        }
    } catch (...) {
        // Nobody is left to run this queue: shut it down so that no sender waits forever.
        EndRun();
        FinishShutdown();
        throw;
    }
    EndRun();
    FinishShutdown();
    return 0;
}

std::size_t QueueCore::RunPending() {
    BeginRun("RunPending");
    std::size_t handled = 0;
    try {
        handled += FireDueTimers();
        while (!(stopRequested_.load(std::memory_order_acquire) &&
                 mode_.load(std::memory_order_acquire) == MessageQueue::SHUTDOWN_NOW)) {
            Message* batch = TakeAll();
            if (!batch) {
                break;
            }
            handled += ProcessBatch(batch);
        }
        if (handled && !stopRequested_.load(std::memory_order_acquire)) {
            AnnounceIdle();
        }
    } catch (...) {
        EndRun();
        if (stopRequested_.load(std::memory_order_acquire)) {
            FinishShutdown();
        }
        throw;
    }
    EndRun();
    if (stopRequested_.load(std::memory_order_acquire)) {
        FinishShutdown();
    }
    return handled;
}

void QueueCore::Shutdown(int mode) {
    bool running;
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return;
        }
        if (!stopRequested_.load(std::memory_order_relaxed) || mode == MessageQueue::SHUTDOWN_NOW) {
            mode_.store(mode == MessageQueue::SHUTDOWN_AFTER_PENDING ? mode : MessageQueue::SHUTDOWN_NOW,
                        std::memory_order_release);
        }
        stopRequested_.store(true, std::memory_order_release);
        running = running_;
    }
    if (running) {
        wake_.notify_all();  // the running loop or pump finishes the shutdown on its own thread
        return;
    }
    FinishShutdown();
}

void QueueCore::FinishShutdown() {
    Message* pending;
    std::vector<du::SmartPtr<ManagedObject>> released;
    std::vector<std::pair<du::Symbol, ManagedObject*>> names;
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return;
        }
        shutDown_ = true;
        stopRequested_.store(true, std::memory_order_release);
        pending = head_;
        head_ = tail_ = nullptr;
        pending_ = 0;
        hasWork_.store(false, std::memory_order_relaxed);
        timers_.clear();
        released.swap(managed_);
        for (auto& object : released) {
            object->managed_.store(false, std::memory_order_release);
            if (object->name_.IsSet()) {
                names.emplace_back(std::exchange(object->name_, du::Symbol()), object.Get());
            }
        }
    }
    // Waiting senders are released before the objects, whose destructors may take a while.
    while (pending) {
        Message* node = pending;
        pending = node->next_;
        node->next_ = nullptr;
        MessagePtr message(node);
        node->RemoveReference(this);
        message->Return(ReturnReason::ShutDown);
    }
    for (auto& [name, object] : names) {
        UnregisterDistinguishedName(name, object);
    }
    released.clear();
}

}  // namespace detail
}  // namespace dom
