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

// The session host's routing observer: writes each step of each dispatch as a report (under "--route";
// "--route=LIST" writes only the dispatches of the messages in the comma-separated LIST, each a name or a
// pattern with *, and the dispatches nested in them; plain "--route" leaves out the window timer's
// dispatches that nobody consumed, one every 10 ms)
// and remembers where messages went, for "expect routed" and "expect not-offered". Steps arrive on the
// plug-in's thread; the host thread asks after its barrier. The lock orders the two.
class RoutingReports : public workflow::RoutingObserver {
public:
    // Receives a step's report: its JSON fields and its transcript line.
    using Sink = std::function<void(nlohmann::ordered_json fields, std::string text)>;

    // With a null sink the steps are only remembered. filter names the messages whose dispatches are
    // written (see RouteFilter). Any thread.
    explicit RoutingReports(Sink sink, std::string filter = std::string());

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
    void Emit(const workflow::RoutingStep& step, nlohmann::ordered_json fields, std::string text);
    bool Shows(const std::string& message) const;
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
    std::vector<std::string> patterns_;  // empty: every message but the timer's unconsumed dispatches
    int shownDepth_ = 0;                 // the depth of the dispatch being written, 0 when none is
    // The steps of a timer dispatch, held until it is over: written only when someone consumed it.
    std::vector<std::pair<nlohmann::ordered_json, std::string>> held_;
    bool holding_ = false;
};

}  // namespace session
