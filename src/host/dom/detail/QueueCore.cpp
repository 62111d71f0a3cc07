#include "dom/detail/QueueCore.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/Helper.h"
#include "dom/MessageQueue.h"
#include "dom/detail/DistinguishedNames.h"
#include "dom/detail/SteadyTime.h"

namespace dom::detail {
namespace {

using Access = RuntimeAccess;
using Purpose = RuntimeAccess::Purpose;

// Before sleeping after messages, the loop watches the queue for a short while: a sender that posts within
// that time costs no kernel wake-up. After a round of timeouts alone nobody is likely to post soon, and the
// loop sleeps at once.
constexpr int IDLE_SPIN_ROUNDS = 2000;
// A loop on the steady clock sleeps up to this long past the next due time, so that timeouts falling due
// close together are fired in one wake-up rather than one each: many idle views tick at little cost.
constexpr std::int64_t TIMER_SLACK_MS = 2;
// Messages run between two looks at the timers, so that a steady stream cannot starve them.
constexpr std::size_t MESSAGES_PER_ROUND = 1024;
constexpr std::int64_t NO_TIMER = NEVER;

// The latest time at which a timer first due at due, recurring every period, fell due by now (due <= now).
// Computed without signed overflow: the distance between two times may exceed the signed range.
std::int64_t LatestDue(std::int64_t due, std::int64_t period, std::int64_t now) {
    const auto late = static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(due);
    const auto skipped = late / static_cast<std::uint64_t>(period) * static_cast<std::uint64_t>(period);
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(due) + skipped);
}

}  // namespace

QueueCore* RuntimeAccess::BindOnce(ManagedObject& object, QueueCore& core) {
    QueueCore* bound = nullptr;
    if (object.queue_.compare_exchange_strong(bound, &core, std::memory_order_acq_rel)) {
        core.AddReference(&object);  // released by ~ManagedObject
        return &core;
    }
    return bound;
}

QueueCore::QueueCore(bool manualClock, std::int64_t startTime)
    : manualClock_(manualClock),
      manualNow_(startTime),
      owner_(manualClock ? std::this_thread::get_id() : std::thread::id()),
      nextDue_(NO_TIMER),
      head_(&stub_),
      tail_(&stub_) {}

QueueCore::~QueueCore() = default;

std::int64_t QueueCore::Now() const {
    return manualClock_ ? manualNow_.load(std::memory_order_acquire) : SteadyNowMs();
}

void QueueCore::Wake() {
    { std::lock_guard lock(mutex_); }  // a consumer between its last check and its wait is now waiting
    wake_.notify_all();
}

void QueueCore::AdvanceTime(std::int64_t ms) {
    if (ms <= 0) {
        return;  // the clock is steady: it never goes back
    }
    {
        std::lock_guard lock(mutex_);
        manualNow_.store(SaturatingAdd(manualNow_.load(std::memory_order_relaxed), ms),
                         std::memory_order_release);
    }
    if (sleeping_.load(std::memory_order_seq_cst)) {
        Wake();
    }
}

// --- Ownership

QueueCore::Direct QueueCore::EnterDirect() {
    const std::thread::id self = std::this_thread::get_id();
    if (owner_.load(std::memory_order_acquire) != self) {
        return Direct::Refused;
    }
    // Only the owner sets running_, and the owner cannot change while it is set: running, and still ours
    // after that, means that this thread runs the queue further up its stack.
    if (running_.load(std::memory_order_acquire) && owner_.load(std::memory_order_relaxed) == self) {
        return Direct::WhileRunning;
    }
    std::lock_guard lock(mutex_);
    if (owner_.load(std::memory_order_relaxed) != self) {
        return Direct::Refused;  // another thread has taken the queue over
    }
    if (running_.load(std::memory_order_relaxed)) {
        return Direct::WhileRunning;
    }
    ++directCalls_;
    return Direct::WhileIdle;
}

void QueueCore::LeaveDirect() {
    {
        std::lock_guard lock(mutex_);
        if (--directCalls_ != 0) {
            return;
        }
    }
    wake_.notify_all();
}

bool QueueCore::BeginRun(const char* what) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    // The owner's own callbacks end before another thread takes the queue over; from then on the old owner's
    // calls travel through the queue like anyone's.
    wake_.wait(lock, [&] { return directCalls_ == 0 || owner_.load(std::memory_order_relaxed) == self; });
    if (running_.load(std::memory_order_relaxed)) {
        throw InvalidActorException(std::string(what) + ": the queue is already being run");
    }
    if (stopRequested_.load(std::memory_order_relaxed)) {
        return false;
    }
    owner_.store(self, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    return true;
}

bool QueueCore::EndRun(bool stop) {
    std::lock_guard lock(mutex_);
    running_.store(false, std::memory_order_release);
    if (stop) {
        stopRequested_.store(true, std::memory_order_seq_cst);
    }
    return stopRequested_.load(std::memory_order_relaxed);
}

// --- Objects

QueueCore::BindResult QueueCore::Manage(ManagedObject& object, const du::Symbol& name) {
    std::lock_guard lock(mutex_);
    if (stopRequested_.load(std::memory_order_relaxed)) {
        return BindResult::ShutDown;
    }
    if (Access::ProxyOf(object) || Access::BindOnce(object, *this) != this) {
        return BindResult::Refused;
    }
    if (Access::IsMarkedManaged(object)) {
        return BindResult::AlreadyHere;
    }
    Access::ExchangeName(object, name);
    managed_.emplace_back(&object);
    Access::MarkManaged(object, true);
    return BindResult::Added;
}

void QueueCore::StartManagement(ManagedObject& object) {
    if (!RunIfOwnerThread([&object] { object.OnManage(); })) {
        Post(Access::NewMessage(&object, 0, 0, Purpose::Manage));
    }
}

bool QueueCore::Unmanage(ManagedObject& object) {
    du::SmartPtr<ManagedObject> released;
    // Dropped only after the lock: once queued, the keeper may have run already, and the object may end with
    // it here, in a destructor that takes this lock again.
    MessagePtr keeper;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        if (!IsManaging(object)) {
            return false;
        }
        Access::MarkManaged(object, false);
        // A post that saw the object managed finishes before the queue's reference is queued behind it.
        WaitForPosts();
        auto found = std::find(managed_.begin(), managed_.end(), &object);
        released = std::move(*found);
        managed_.erase(found);
        auto gone = std::remove_if(timers_.begin(), timers_.end(),
                                   [&object](const Timer& timer) { return timer.object == &object; });
        if (gone != timers_.end()) {
            timers_.erase(gone, timers_.end());
            std::make_heap(timers_.begin(), timers_.end(), LaterFirst());
            RefreshNextDueLocked();
        }
        // The name goes while the queue still holds the object: a lookup must not find an object that the
        // queue may already have let go of.
        if (du::Symbol name = Access::ExchangeName(object, du::Symbol()); name.IsSet()) {
            UnregisterDistinguishedName(name, &object);
        }
        // Messages already queued hold no reference to their target: the queue's reference travels behind
        // them and goes when they have run. A queue that has shut down drops it here.
        if (!shutDown_) {
            keeper = Access::NewMessage(&object, 0, 0, Purpose::Release);
            Access::BeginUnmanagement(object);
            MessageWriter carrier(keeper);
            Helper(nullptr).PushHandleValue(released, 0, carrier);
            carrier.FinaliseMessage();
            released = nullptr;
            internalPosted_.fetch_add(1, std::memory_order_seq_cst);
            keeper->AddReference(this);
            Push(*keeper);
            wake = sleeping_.load(std::memory_order_seq_cst);
        }
    }
    if (wake) {
        Wake();
    }
    return true;
}

void QueueCore::RefreshNextDueLocked() {
    nextDue_.store(timers_.empty() ? NO_TIMER : timers_.front().due, std::memory_order_release);
}

bool QueueCore::AddTimer(ManagedObject& object, std::int64_t period) {
    if (period <= 0) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (!IsManaging(object) || stopRequested_.load(std::memory_order_relaxed)) {
            return false;
        }
        timers_.push_back(Timer{SaturatingAdd(Now(), period), timerOrder_++, period, &object});
        std::push_heap(timers_.begin(), timers_.end(), LaterFirst());
        RefreshNextDueLocked();
    }
    if (sleeping_.load(std::memory_order_seq_cst)) {
        Wake();
    }
    return true;
}

// --- The list

void QueueCore::Push(Message& message) {
    QueueLink* link = Access::LinkOf(message);
    link->next.store(nullptr, std::memory_order_relaxed);
    QueueLink* previous = head_.exchange(link, std::memory_order_acq_rel);
    previous->next.store(link, std::memory_order_release);
}

Message* QueueCore::PopOne() {
    QueueLink* tail = tail_;
    QueueLink* next = tail->next.load(std::memory_order_acquire);
    if (tail == &stub_) {
        if (!next) {
            return nullptr;
        }
        tail_ = next;
        tail = next;
        next = next->next.load(std::memory_order_acquire);
    }
    if (!next) {
        if (tail != head_.load(std::memory_order_acquire)) {
            return nullptr;  // a post is half done; the message shows up in a moment
        }
        // tail is the last message: the stub goes behind it so that tail can leave the list.
        stub_.next.store(nullptr, std::memory_order_relaxed);
        QueueLink* previous = head_.exchange(&stub_, std::memory_order_acq_rel);
        previous->next.store(&stub_, std::memory_order_release);
        next = tail->next.load(std::memory_order_acquire);
        if (!next) {
            return nullptr;
        }
    }
    tail_ = next;
    Message& message = Access::MessageOf(*tail);
    std::atomic<std::size_t>& taken = Access::PurposeOf(message) == Purpose::Call ? taken_ : internalTaken_;
    taken.store(taken.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    return &message;
}

bool QueueCore::HasQueued() const {
    // Sequentially consistent: a post is counted before its poster looks whether the loop sleeps, and the
    // loop says it sleeps before it looks at the counts.
    return posted_.load(std::memory_order_seq_cst) != taken_.load(std::memory_order_relaxed) ||
           internalPosted_.load(std::memory_order_seq_cst) != internalTaken_.load(std::memory_order_relaxed);
}

void QueueCore::WaitForPosts() const {
    while (posting_.load(std::memory_order_seq_cst) != 0) {
        std::this_thread::yield();
    }
}

ReturnReason QueueCore::Post(const MessagePtr& message) {
    Message& m = *message;
    ManagedObject* target = m.GetTarget();
    ReturnReason refused = ReturnReason::None;
    posting_.fetch_add(1, std::memory_order_seq_cst);
    if (stopRequested_.load(std::memory_order_seq_cst)) {
        refused = ReturnReason::ShutDown;
    } else if (!target || !IsManaging(*target)) {
        refused = ReturnReason::Unmanaged;
    } else {
        (Access::PurposeOf(m) == Purpose::Call ? posted_ : internalPosted_)
            .fetch_add(1, std::memory_order_seq_cst);
        m.AddReference(this);
        Push(m);
    }
    posting_.fetch_sub(1, std::memory_order_seq_cst);
    // Only a sleeping loop needs the kernel's help; a busy or spinning one finds the message itself.
    if (refused == ReturnReason::None && sleeping_.load(std::memory_order_seq_cst)) {
        Wake();
    }
    return refused;
}

std::size_t QueueCore::GetManagedCount() const {
    std::lock_guard lock(mutex_);
    return managed_.size();
}

std::size_t QueueCore::GetPendingCount() const {
    // Taken first: a count of posts read later is never below it.
    std::size_t taken = taken_.load(std::memory_order_acquire);
    return posted_.load(std::memory_order_acquire) - taken;
}

// --- Running

void QueueCore::Dispatch(const MessagePtr& message) {
    Message& m = *message;
    ManagedObject* target = m.GetTarget();
    switch (Access::PurposeOf(m)) {
        case Purpose::Release:
            Access::EndUnmanagement(*target);
            return;  // the reference it carries goes with the message
        case Purpose::Manage:
            if (target && IsManaging(*target)) {
                target->OnManage();
            }
            return;
        case Purpose::Call:
            break;
    }
    if (!target || !IsManaging(*target)) {
        Access::Return(m, ReturnReason::Unmanaged);
        return;
    }
    // Completes a waiting sender however the handler ends, so that no sender stays blocked.
    struct Guard {
        Message& m;
        ~Guard() {
            if (!Access::IsWaited(m) || Access::IsComplete(m)) {
                return;
            }
            // A reply started but never finalised still counts as the reply.
            if (m.HasReply()) {
                Access::Complete(m);
            } else {
                Access::Return(m, ReturnReason::Unhandled);
            }
        }
    } guard{m};
    target->HandleMessage(message);
}

std::size_t QueueCore::FireDueTimers() {
    // Each timer fires at most once a round, as of the latest time it fell due: the periods that a slow
    // handler or a busy queue made it miss are skipped, not made up in a burst that would keep the queue
    // from its messages. Its next due time is the first multiple of its period after now.
    const std::int64_t now = Now();
    std::size_t fired = 0;
    while (nextDue_.load(std::memory_order_acquire) <= now) {
        du::SmartPtr<ManagedObject> object;
        std::int64_t due;
        {
            std::lock_guard lock(mutex_);
            if (timers_.empty() || stopRequested_.load(std::memory_order_relaxed) ||
                timers_.front().due > now || timers_.front().due == NO_TIMER) {
                break;
            }
            std::pop_heap(timers_.begin(), timers_.end(), LaterFirst());
            Timer& timer = timers_.back();
            due = LatestDue(timer.due, timer.period, now);
            timer.due = SaturatingAdd(due, timer.period);
            timer.order = timerOrder_++;
            object = timer.object;
            std::push_heap(timers_.begin(), timers_.end(), LaterFirst());
            RefreshNextDueLocked();
        }
        object->HandleTimeoutEvent(due);
        ++fired;
    }
    return fired;
}

std::size_t QueueCore::ProcessMessages(std::size_t limit) {
    std::size_t handled = 0;
    while (handled < limit) {
        if (stopRequested_.load(std::memory_order_acquire) &&
            mode_.load(std::memory_order_acquire) == MessageQueue::SHUTDOWN_NOW) {
            break;  // FinishShutdown returns the rest to their senders
        }
        Message* node = PopOne();
        if (!node) {
            break;
        }
        MessagePtr message(node);
        node->RemoveReference(this);
        ++handled;
        ManagedObject* target = node->GetTarget();
        if (Access::PurposeOf(*node) != Purpose::Release && target && Access::IsUnmanagementQueued(*target)) {
            Access::Return(*node, ReturnReason::Unmanaged);  // queued before its target left the queue
            continue;
        }
        Dispatch(message);
    }
    return handled;
}

void QueueCore::AnnounceIdle() {
    // The objects managed when the queue fell idle, each told once, if it is still managed when its turn
    // comes: an idle handler may manage or unmanage objects, itself included, without the pass skipping or
    // repeating one.
    {
        std::lock_guard lock(mutex_);
        if (stopRequested_.load(std::memory_order_relaxed)) {
            return;
        }
        idlePass_.assign(managed_.begin(), managed_.end());
    }
    struct Clear {
        std::vector<du::SmartPtr<ManagedObject>>& pass;
        ~Clear() { pass.clear(); }
    } clear{idlePass_};
    for (const du::SmartPtr<ManagedObject>& object : idlePass_) {
        if (IsStopRequested()) {
            return;
        }
        if (IsManaging(*object)) {
            object->HandleOnIdleEvent();
        }
    }
}

void QueueCore::WaitForWork(bool spin) {
    for (int round = 0; spin && round < IDLE_SPIN_ROUNDS; ++round) {
        if (HasQueued() || stopRequested_.load(std::memory_order_acquire)) {
            return;
        }
        CpuRelax();
    }
    std::unique_lock lock(mutex_);
    sleeping_.store(true, std::memory_order_seq_cst);
    // Posters check sleeping_ after counting their post, so either they see it set or this sees their post.
    std::int64_t due = nextDue_.load(std::memory_order_acquire);
    if (!HasQueued() && !stopRequested_.load(std::memory_order_relaxed) && (due == NO_TIMER || due > Now())) {
        // A manual clock wakes the loop when it moves; a due time beyond the steady clock's range is never.
        auto deadline = manualClock_ ? std::nullopt : SteadyTimePointAt(SaturatingAdd(due, TIMER_SLACK_MS));
        if (deadline) {
            wake_.wait_until(lock, *deadline);
        } else {
            wake_.wait(lock);
        }
    }
    sleeping_.store(false, std::memory_order_relaxed);
}

int QueueCore::RunLoop() {
    if (!BeginRun("RunMessageLoop")) {
        FinishShutdown();
        return 0;
    }
    try {
        bool idleAnnounced = true;
        bool messagesSinceSleep = false;
        for (;;) {
            if (stopRequested_.load(std::memory_order_acquire)) {
                if (mode_.load(std::memory_order_acquire) == MessageQueue::SHUTDOWN_NOW) {
                    break;
                }
                WaitForPosts();
                if (ProcessMessages(std::numeric_limits<std::size_t>::max()) == 0) {
                    break;
                }
                continue;
            }
            const std::size_t fired = FireDueTimers();
            const std::size_t handled = ProcessMessages(MESSAGES_PER_ROUND);
            if (handled != 0) {
                // Only messages end in idleness worth announcing: a queue that merely ticks stays quiet, so
                // that many idle views cost their timeouts and nothing more.
                messagesSinceSleep = true;
                idleAnnounced = false;
            }
            if (fired + handled != 0) {
                continue;
            }
            if (!idleAnnounced) {
                idleAnnounced = true;
                AnnounceIdle();
                continue;
            }
            WaitForWork(messagesSinceSleep);
            messagesSinceSleep = false;
        }
    } catch (...) {
        // Nobody is left to run this queue: shut it down so that no sender waits forever.
        EndRun(true);
        FinishShutdown();
        throw;
    }
    EndRun(true);
    FinishShutdown();
    return 0;
}

std::size_t QueueCore::RunPending() {
    if (!BeginRun("RunPending")) {
        FinishShutdown();
        return 0;
    }
    std::size_t handled = 0;
    try {
        handled += FireDueTimers();
        const std::size_t messages = ProcessMessages(std::numeric_limits<std::size_t>::max());
        handled += messages;
        if (messages && !stopRequested_.load(std::memory_order_acquire)) {
            AnnounceIdle();
        }
    } catch (...) {
        if (EndRun(false)) {
            FinishShutdown();
        }
        throw;
    }
    if (EndRun(false)) {
        FinishShutdown();
    }
    return handled;
}

std::size_t QueueCore::RunNestedRounds() {
    // Only the owner sets running_, and the owner cannot change while it is set.
    if (!running_.load(std::memory_order_acquire) || !IsOwnerThread()) {
        throw InvalidActorException(
            "RunNestedRounds: only a callback of the queue's running thread may call it");
    }
    std::size_t handled = 0;
    while (!stopRequested_.load(std::memory_order_acquire)) {
        const std::size_t round = FireDueTimers() + ProcessMessages(std::numeric_limits<std::size_t>::max());
        if (round == 0) {
            break;
        }
        handled += round;
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
        if (!stopRequested_.load(std::memory_order_relaxed) || mode != MessageQueue::SHUTDOWN_AFTER_PENDING) {
            mode_.store(mode == MessageQueue::SHUTDOWN_AFTER_PENDING ? mode : MessageQueue::SHUTDOWN_NOW,
                        std::memory_order_release);
        }
        stopRequested_.store(true, std::memory_order_seq_cst);
        running = running_.load(std::memory_order_relaxed);
    }
    if (running) {
        wake_.notify_all();  // the running loop or pump finishes the shutdown on its own thread
        return;
    }
    FinishShutdown();
}

void QueueCore::FinishShutdown() {
    std::vector<du::SmartPtr<ManagedObject>> released;
    std::vector<std::pair<du::Symbol, ManagedObject*>> names;
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) {
            return;
        }
        shutDown_ = true;
        stopRequested_.store(true, std::memory_order_seq_cst);
        timers_.clear();
        RefreshNextDueLocked();
        released.swap(managed_);
        for (auto& object : released) {
            Access::MarkManaged(*object, false);
            if (Access::HasName(*object)) {
                names.emplace_back(Access::ExchangeName(*object, du::Symbol()), object.Get());
            }
        }
    }
    // No post can start now; the ones under way finish before the list is emptied. Waiting senders are
    // released before the objects, whose destructors may take a while.
    WaitForPosts();
    while (Message* node = PopOne()) {
        MessagePtr message(node);
        node->RemoveReference(this);
        Access::Return(*node, ReturnReason::ShutDown);
    }
    for (auto& [name, object] : names) {
        UnregisterDistinguishedName(name, object);
    }
    released.clear();
}

}  // namespace dom::detail
