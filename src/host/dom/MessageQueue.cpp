#include "dom/MessageQueue.h"

#include <mutex>
#include <stdexcept>
#include <utility>

#include "dom/detail/QueueCore.h"

namespace dom {

MessageQueue::MessageQueue(bool manualClock, std::int64_t startTime)
    : core_(new detail::QueueCore(manualClock, startTime)) {}

MessageQueue::~MessageQueue() {
    core_->Shutdown(SHUTDOWN_NOW);
}

void MessageQueue::ShutdownQueue(int mode) {
    core_->Shutdown(mode);
}

int MessageQueue::RunMessageLoop() {
    du::SmartPtr<detail::QueueCore> core = core_;  // the loop may outlive this queue object
    return core->RunLoop();
}

std::size_t MessageQueue::RunPending() {
    du::SmartPtr<detail::QueueCore> core = core_;
    return core->RunPending();
}

std::size_t MessageQueue::RunNestedRounds() {
    return core_->RunNestedRounds();
}

void MessageQueue::AdvanceTime(std::int64_t ms) {
    if (!core_->HasManualClock()) {
        throw std::logic_error("AdvanceTime needs a queue with a manual clock");
    }
    core_->AdvanceTime(ms);
}

std::int64_t MessageQueue::Now() const {
    return core_->Now();
}

bool MessageQueue::HasManualClock() const {
    return core_->HasManualClock();
}

bool MessageQueue::IsShutDown() const {
    return core_->IsStopRequested();
}

bool MessageQueue::IsOwnedByCurrentThread() const {
    return core_->IsOwnerThread();
}

std::size_t MessageQueue::GetPendingCount() const {
    return core_->GetPendingCount();
}

std::size_t MessageQueue::GetManagedCount() const {
    return core_->GetManagedCount();
}

namespace {

std::mutex manualSwitchLock;
bool manualForNewQueues = false;
du::SmartPtr<GenericMessageQueue> latestManualQueue;

bool TakeManualSwitch() {
    std::lock_guard lock(manualSwitchLock);
    return manualForNewQueues;
}

}  // namespace

GenericMessageQueue::GenericMessageQueue() : MessageQueue(TakeManualSwitch(), 0) {
    if (HasManualClock()) {
        std::lock_guard lock(manualSwitchLock);
        latestManualQueue = this;
    }
}

ManualClockForNewQueues::ManualClockForNewQueues() {
    std::lock_guard lock(manualSwitchLock);
    if (manualForNewQueues) {
        throw std::logic_error("ManualClockForNewQueues: another one is in use");
    }
    manualForNewQueues = true;
}

ManualClockForNewQueues::~ManualClockForNewQueues() {
    du::SmartPtr<GenericMessageQueue> released;  // dropped outside the lock: it may shut its queue down
    std::lock_guard lock(manualSwitchLock);
    manualForNewQueues = false;
    released = std::move(latestManualQueue);
}

du::SmartPtr<GenericMessageQueue> ManualClockForNewQueues::Queue() const {
    std::lock_guard lock(manualSwitchLock);
    return latestManualQueue;
}

du::SmartPtr<GenericMessageQueue> GenericMessageQueue::CreateManual(std::int64_t startTime) {
    return du::SmartPtr<GenericMessageQueue>(new GenericMessageQueue(true, startTime));
}

}  // namespace dom
