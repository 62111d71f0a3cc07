#include "SessionRouting.h"

#include <fnmatch.h>

#include <algorithm>
#include <exception>
#include <utility>

#include "SafeText.h"

namespace session {
namespace {

using Json = nlohmann::ordered_json;
using workflow::RoutingStep;

const char* StepName(RoutingStep::Kind kind) {
    switch (kind) {
        case RoutingStep::Kind::Dispatched:
            return "dispatch";
        case RoutingStep::Kind::AnimationsCancelled:
            return "cancel";
        case RoutingStep::Kind::Claimed:
            return "claim";
        case RoutingStep::Kind::Offered:
            return "offer";
        case RoutingStep::Kind::Skipped:
            return "skip";
        case RoutingStep::Kind::Escaped:
            return "escape";
        case RoutingStep::Kind::Finished:
            return "end";
    }
    return "?";
}

const char* AnswerName(RoutingStep::Answer answer) {
    switch (answer) {
        case RoutingStep::Answer::Consumed:
            return "consumed";
        case RoutingStep::Answer::Declined:
            return "declined";
        case RoutingStep::Answer::Threw:
            return "threw";
    }
    return "?";
}

// "route " and one "| " per enclosing dispatch, so that nested dispatches read as a tree.
std::string Prefix(int depth) {
    std::string prefix = "route ";
    for (int level = 1; level < depth; ++level) {
        prefix += "| ";
    }
    return prefix;
}

std::string Answered(const RoutingStep& step) {
    std::string text =
        step.workflow.ToString() + " at " + std::to_string(step.priority) + ": " + AnswerName(step.answer);
    if (step.answer == RoutingStep::Answer::Threw) {
        text += " " + SafeQuoted(step.exception);
    }
    return text;
}

}  // namespace

RoutingReports::RoutingReports(Sink sink, std::string filter) : sink_(std::move(sink)) {
    for (std::size_t start = 0; start <= filter.size() && !filter.empty();) {
        const std::size_t end = std::min(filter.find(',', start), filter.size());
        if (end > start) {
            patterns_.push_back(filter.substr(start, end - start));
        }
        start = end + 1;
    }
}

bool RoutingReports::Shows(const std::string& message) const {
    return std::any_of(patterns_.begin(), patterns_.end(), [&](const std::string& pattern) {
        return fnmatch(pattern.c_str(), message.c_str(), 0) == 0;
    });
}

// Writes the step when its dispatch is one the filter shows, or is nested in one.
void RoutingReports::Emit(const RoutingStep& step, Json fields, std::string text) {
    if (step.kind == RoutingStep::Kind::Dispatched && shownDepth_ == 0) {
        const std::string message = step.message.ToString();
        if (patterns_.empty() || Shows(message)) {
            shownDepth_ = step.depth;
            holding_ = patterns_.empty() && message == "MsgTimer";
        }
    }
    if (shownDepth_ == 0 || step.depth < shownDepth_) {
        return;
    }
    const bool over = step.kind == RoutingStep::Kind::Finished && step.depth == shownDepth_;
    if (holding_) {
        held_.emplace_back(std::move(fields), std::move(text));
        if (over) {
            if (step.consumed) {
                for (auto& [heldFields, heldText] : held_) {
                    sink_(std::move(heldFields), std::move(heldText));
                }
            }
            held_.clear();
            holding_ = false;
        }
    } else {
        sink_(std::move(fields), std::move(text));
    }
    if (over) {
        shownDepth_ = 0;
    }
}

void RoutingReports::OnRoutingStep(const RoutingStep& step) {
    // Called inside the plug-in's dispatch: whatever goes wrong here is the host's to report, not the
    // dispatch's to unwind.
    try {
        Record(step);
    } catch (const std::exception& error) {
        NoteFault(error.what());
    } catch (...) {
        NoteFault("an exception that is no std::exception");
    }
}

void RoutingReports::NoteFault(const std::string& what) noexcept {
    try {
        std::lock_guard lock(lock_);
        if (fault_.empty()) {
            fault_ = "the routing log failed: " + what;
        }
    } catch (...) {
        // only an allocation can fail here, and the fault is then lost with it
    }
}

std::string RoutingReports::TakeFault() {
    std::lock_guard lock(lock_);
    return std::exchange(fault_, {});
}

void RoutingReports::Record(const RoutingStep& step) {
    std::lock_guard lock(lock_);
    const std::string message = step.message.ToString();
    const std::string workflow = step.workflow.ToString();
    std::string consumer;
    switch (step.kind) {
        case RoutingStep::Kind::Dispatched:
            frames_.resize(static_cast<std::size_t>(step.depth > 0 ? step.depth - 1 : 0));
            frames_.push_back(Frame{message, std::string(), {}});
            break;
        case RoutingStep::Kind::Claimed:
        case RoutingStep::Kind::Offered:
            if (!frames_.empty()) {
                frames_.back().offered.insert(workflow);
                if (step.answer == RoutingStep::Answer::Consumed) {
                    frames_.back().consumer = workflow;
                }
            }
            break;
        case RoutingStep::Kind::Finished:
            // An observer registered mid-dispatch hears the ends of dispatches it did not see begin.
            if (!frames_.empty() && static_cast<int>(frames_.size()) == step.depth) {
                Frame& frame = frames_.back();
                consumer = frame.consumer;
                outcomes_[message] =
                    Outcome{step.consumed && !consumer.empty() ? consumer : "none", std::move(frame.offered)};
                frames_.pop_back();
            }
            break;
        default:
            break;
    }
    if (!sink_) {
        return;
    }

    Json fields = {
        {"type", "route"}, {"step", StepName(step.kind)}, {"depth", step.depth}, {"message", message}};
    const std::string prefix = Prefix(step.depth);
    std::string text;
    switch (step.kind) {
        case RoutingStep::Kind::Dispatched:
            text = prefix + message;
            break;
        case RoutingStep::Kind::AnimationsCancelled:
            fields["cancelled"] = step.cancelled;
            text = prefix + "| cancels " + std::to_string(step.cancelled) + " animation event" +
                   (step.cancelled == 1 ? "" : "s");
            break;
        case RoutingStep::Kind::Claimed:
        case RoutingStep::Kind::Offered:
            fields["workflow"] = workflow;
            fields["priority"] = step.priority;
            fields["answer"] = AnswerName(step.answer);
            if (step.answer == RoutingStep::Answer::Threw) {
                fields["exception"] = step.exception;
            }
            text = prefix + (step.kind == RoutingStep::Kind::Claimed ? "| claimed by " : "| offered to ") +
                   Answered(step);
            break;
        case RoutingStep::Kind::Skipped:
            fields["workflow"] = workflow;
            fields["priority"] = step.priority;
            text = prefix + "| skips " + workflow + " at " + std::to_string(step.priority) + ": removed";
            break;
        case RoutingStep::Kind::Escaped:
            fields["workflow"] = workflow;
            fields["priority"] = step.priority;
            text = prefix + "| Escape dismisses " + workflow + " at " + std::to_string(step.priority);
            break;
        case RoutingStep::Kind::Finished:
            fields["consumed"] = step.consumed;
            if (step.consumed && !consumer.empty()) {
                fields["by"] = consumer;
            }
            text = prefix + message + ": " +
                   (!step.consumed     ? std::string("not consumed")
                    : consumer.empty() ? std::string("consumed")
                                       : "consumed by " + consumer);
            break;
    }
    Emit(step, std::move(fields), std::move(text));
}

void RoutingReports::Reset() {
    std::lock_guard lock(lock_);
    frames_.clear();
    outcomes_.clear();
    shownDepth_ = 0;
    held_.clear();
    holding_ = false;
}

std::string RoutingReports::LastConsumer(const std::string& message) const {
    std::lock_guard lock(lock_);
    auto found = outcomes_.find(message);
    return found == outcomes_.end() ? "not dispatched" : found->second.consumer;
}

std::string RoutingReports::LastOffer(const std::string& message, const std::string& workflow) const {
    std::lock_guard lock(lock_);
    auto found = outcomes_.find(message);
    return found == outcomes_.end()                ? "not dispatched"
           : found->second.offered.count(workflow) ? "offered"
                                                   : "not offered";
}

}  // namespace session
