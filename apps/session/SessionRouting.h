#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "manager/ManagerDiagnostics.h"

namespace session {

// The session host's routing observer: writes each step of each dispatch as a report (under "--route")
// and remembers where messages went, for "expect routed" and "expect not-offered". Steps arrive on the
// plug-in's thread; the host thread asks after its barrier. The lock orders the two.
class RoutingReports : public workflow::RoutingObserver {
public:
    // Receives a step's report: its JSON fields and its transcript line.
    using Sink = std::function<void(nlohmann::ordered_json fields, std::string text)>;

    // With a null sink the steps are only remembered. Any thread.
    explicit RoutingReports(Sink sink);

    // Plug-in thread. Never throws: a failure of its own is kept for TakeFault.
    void OnRoutingStep(const workflow::RoutingStep& step) override;
    // What went wrong in a step, once, or empty. Any thread.
    std::string TakeFault();

    // Forgets everything seen, for a new view. Any thread.
    void Reset();
    // Who consumed the last dispatch of message: a workflow, "none" when nobody did, "not dispatched" when
    // it was never dispatched. Any thread.
    std::string LastConsumer(const std::string& message) const;
    // Whether the last dispatch of message was offered to workflow (an exclusive claim counts): "offered",
    // "not offered", or "not dispatched". Any thread.
    std::string LastOffer(const std::string& message, const std::string& workflow) const;

private:
    void Record(const workflow::RoutingStep& step);
    void NoteFault(const std::string& what) noexcept;

    struct Frame {
        std::string message;
        std::string consumer;
        std::set<std::string> offered;
    };
    struct Outcome {
        std::string consumer;  // "none" when nobody consumed it
        std::set<std::string> offered;
    };

    mutable std::mutex lock_;
    Sink sink_;
    std::vector<Frame> frames_;                // the dispatches running, outermost first
    std::map<std::string, Outcome> outcomes_;  // of the last dispatch of each message
    std::string fault_;
};

}  // namespace session
