#include "dom/Settle.h"

#include <algorithm>
#include <stdexcept>

#include "dom/ManagedObject.h"

namespace dom {

namespace {

// Runs the clock's steps on the queue's thread when its message arrives; the message is handled without a
// reply, which releases the waiting host thread.
class ClockStepper : public ManagedObject {
public:
    ClockStepper(GenericMessageQueue& queue, std::int64_t ms, std::int64_t stepMs)
        : queue_(queue), remaining_(ms), step_(stepMs) {}

    void HandleMessage(const MessagePtr&) override {
        while (remaining_ > 0 && !queue_.IsShutDown()) {
            const std::int64_t step = std::min(remaining_, step_ - queue_.Now() % step_);
            queue_.AdvanceTime(step);
            remaining_ -= step;
            queue_.RunNestedRounds();
        }
        done_ = remaining_ <= 0 && !queue_.IsShutDown();
    }

    bool Done() const { return done_; }

private:
    GenericMessageQueue& queue_;
    std::int64_t remaining_;
    const std::int64_t step_;
    bool done_ = false;  // written on the queue's thread before the sender is released
};

}  // namespace

bool AdvanceTimeAndSettle(const du::SmartPtr<GenericMessageQueue>& queue, std::int64_t ms,
                          std::int64_t stepMs) {
    if (!queue || !queue->HasManualClock()) {
        throw std::logic_error("AdvanceTimeAndSettle needs a queue with a manual clock");
    }
    if (queue->IsShutDown()) {
        return false;
    }
    const du::SmartPtr<ClockStepper> stepper(new ClockStepper(*queue, ms, std::max<std::int64_t>(stepMs, 1)));
    try {
        if (!stepper->ManageSelf(queue, du::Symbol(), 0)) {
            return false;
        }
    } catch (const std::runtime_error&) {
        return false;  // the queue shut down meanwhile
    }
    MessageWriter writer = stepper->StartNewMessage(0);
    writer.MarkNeedsReplyFlag();
    const MessagePtr message = writer.FinaliseMessage();
    stepper->DeliverMessage(message);
    stepper->Unmanage();
    return stepper->Done();
}

}  // namespace dom
