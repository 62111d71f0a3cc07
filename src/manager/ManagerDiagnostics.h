#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"

namespace workflow {

// One step a dispatch took. Every step names its dispatch's message and depth; the other fields are those
// its kind lists.
struct RoutingStep {
    enum class Kind : std::uint8_t {
        Dispatched,           // the dispatch begins
        AnimationsCancelled,  // cancelled: the message interrupted running animations
        Claimed,              // workflow, priority, answer: the exclusive claimant was asked first
        Offered,              // workflow, priority, answer: the walk offered the message
        Skipped,              // workflow, priority: a handler removed it before the walk reached it
        Escaped,              // workflow, priority: an Escape nobody consumed dismissed it
        Finished,             // consumed: the dispatch is over
    };
    enum class Answer : std::uint8_t { Consumed, Declined, Threw };

    Kind kind = Kind::Dispatched;
    // 1 for a dispatch asked for from outside; a dispatch started while another is logged (by a handler,
    // or the announcement of a stack change) is one deeper than it.
    int depth = 1;
    du::Symbol message;
    du::Symbol workflow;
    unsigned int priority = 0;
    Answer answer = Answer::Declined;
    std::string exception;  // with Threw: what() of a std::exception, else a description of what was thrown
    std::size_t cancelled = 0;
    bool consumed = false;
};

// Told, for each message the manager dispatches, which way it went. Registered on the manager's own
// interface (ManagerDiagnostics), never through the remote interface. Called on the module thread, in the
// order the dispatch takes its steps; nested dispatches report in between, one level deeper. An observer
// may deregister itself, or anyone, from its callback.
class WORKFLOW_API RoutingObserver : public virtual du::RefCounted {
public:
    ~RoutingObserver() override = default;

    virtual void OnRoutingStep(const RoutingStep& step) = 0;
};

// What the manager kept when a workflow's handler threw: the last input events before it, the workflows
// installed at that moment, and the line the manager reported for the exception.
struct CrashSnapshot {
    struct Installed {
        unsigned int priority = 0;
        std::string name;
        bool persistent = false;
        std::uint64_t order = 0;  // installations earlier in the manager's life have lower numbers
    };
    std::vector<std::string> events;   // session-language lines, oldest first
    std::vector<Installed> workflows;  // highest priority first
    std::string exceptionLine;         // without the line break
};

// The manager's diagnostics, for hosts and tools in the same process: the routing log and the flight
// recorder. A host finds it behind the target of its manager proxy (a dynamic_cast of the managed object)
// and calls it on the module thread only.
class WORKFLOW_API ManagerDiagnostics {
public:
    // Until a routing observer is registered, a dispatch pays nothing for the log. An observer registered
    // during a dispatch hears the steps that are left of it.
    virtual void RegisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) = 0;
    // Removes every registration of observer.
    virtual void DeregisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) = 0;

    // How many input events the flight recorder keeps (256 until set); 0 switches it off, and with it the
    // snapshots of handler failures.
    virtual void SetFlightRecorderCapacity(std::size_t events) = 0;
    // The snapshots taken since the last call, oldest first; taking them empties the list.
    virtual std::vector<CrashSnapshot> TakeCrashSnapshots() = 0;

protected:
    ~ManagerDiagnostics() = default;
};

}  // namespace workflow
