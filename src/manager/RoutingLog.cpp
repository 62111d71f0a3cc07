// The routing log: which way each dispatched message went, for the routing observers.
#include "manager/RoutingLog.h"

#include <utility>

#include "diagnostics/ExceptionText.h"
#include "manager/WorkflowStack.h"
#include "workflows/Workflow.h"

namespace workflow {

void RoutingLog::Add(const du::SmartPtr<RoutingObserver>& observer) {
    if (observer) {
        observers_.Add(observer);
        listening_ = true;
    }
}

void RoutingLog::Remove(const RoutingObserver* observer) {
    observers_.Remove(observer);
    Refresh();
}

void RoutingLog::Clear() {
    observers_.Clear();
    Refresh();
}

void RoutingLog::Emit(const RoutingStep& step) {
    observers_.ForEach([&](RoutingObserver& observer) { observer.OnRoutingStep(step); });
}

RoutingLog::Route::Route(RoutingLog& log, WorkflowStack& stack, const du::Symbol& message)
    : log_(log), stack_(stack), message_(message), depth_(++log.depth_) {
    if (!log_.spare_.empty()) {
        pending_ = std::move(log_.spare_.back());
        log_.spare_.pop_back();
    }
    log_.Emit(Step(RoutingStep::Kind::Dispatched));
}

RoutingLog::Route::~Route() {
    pending_.clear();
    log_.spare_.push_back(std::move(pending_));
    --log_.depth_;
    log_.Refresh();
}

RoutingStep RoutingLog::Route::Step(RoutingStep::Kind kind) const {
    RoutingStep step;
    step.kind = kind;
    step.depth = depth_;
    step.message = message_;
    return step;
}

void RoutingLog::Route::Cancelling(std::size_t count) {
    RoutingStep step = Step(RoutingStep::Kind::AnimationsCancelled);
    step.cancelled = count;
    log_.Emit(step);
}

void RoutingLog::Route::Caught() {
    threw_ = true;
    exception_ = DescribeCurrentException();
}

void RoutingLog::Route::Answer(RoutingStep::Kind kind, unsigned int priority, const Workflow& workflow,
                               bool consumed) {
    RoutingStep step = Step(kind);
    step.workflow = workflow.GetWorkflowName();
    step.priority = priority;
    if (std::exchange(threw_, false)) {
        step.answer = RoutingStep::Answer::Threw;
        step.exception = std::move(exception_);
        exception_.clear();
    } else {
        step.answer = consumed ? RoutingStep::Answer::Consumed : RoutingStep::Answer::Declined;
    }
    log_.Emit(step);
}

void RoutingLog::Route::Claimed(const Workflow& claimant, bool consumed) {
    Answer(RoutingStep::Kind::Claimed, claimant.GetPriority(), claimant, consumed);
}

void RoutingLog::Route::Walking() {
    Remember();
}

void RoutingLog::Route::Remember() {
    pending_.clear();
    pending_.reserve(static_cast<std::size_t>(stack_.end() - stack_.begin()));
    for (auto entry = stack_.begin(); entry != stack_.end(); ++entry) {
        pending_.push_back(Pending{entry->priority, entry->serial, entry->workflow.Get(),
                                   entry->workflow->GetWorkflowName()});
    }
}

void RoutingLog::Route::Offered(unsigned int priority, const Workflow& workflow, bool consumed) {
    Answer(RoutingStep::Kind::Offered, priority, workflow, consumed);
}

void RoutingLog::Route::StackChanged(unsigned int priority) {
    // Collected before reporting: an observer must not see the list change under it, nor change it.
    std::vector<Pending> gone;
    for (const Pending& entry : pending_) {
        if (entry.priority < priority && !stack_.Holds(entry.priority, entry.workflow, entry.serial)) {
            gone.push_back(entry);
        }
    }
    Remember();
    for (const Pending& entry : gone) {
        RoutingStep step = Step(RoutingStep::Kind::Skipped);
        step.workflow = entry.name;
        step.priority = entry.priority;
        log_.Emit(step);
    }
}

void RoutingLog::Route::Escaping(unsigned int priority, const Workflow& workflow) {
    RoutingStep step = Step(RoutingStep::Kind::Escaped);
    step.workflow = workflow.GetWorkflowName();
    step.priority = priority;
    log_.Emit(step);
}

bool RoutingLog::Route::Finish(bool consumed) {
    RoutingStep step = Step(RoutingStep::Kind::Finished);
    step.consumed = consumed;
    log_.Emit(step);
    return consumed;
}

}  // namespace workflow
