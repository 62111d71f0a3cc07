#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "diagnostics/FlightRecord.h"
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

// What the manager kept when a workflow's handler threw: what the flight recorder held (the input, host
// calls and stack changes before it), the workflows installed at that moment, and the exception.
struct CrashSnapshot {
    struct Installed {
        unsigned int priority = 0;
        std::string name;
        bool persistent = false;
        std::uint64_t order = 0;  // installations earlier in the manager's life have lower numbers
    };
    RecordedInput input;               // empty, and not recording, while the recorder is off
    std::vector<Installed> workflows;  // highest priority first
    std::string exceptionLine;         // the line the manager reported, without the line break
    std::string exceptionText;         // what() of a std::exception, a thrown string, else a description
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

    // How many records the flight recorder keeps (256 until set); 0 switches it off. Handler failures are
    // still snapshotted then, without input.
    virtual void SetFlightRecorderCapacity(std::size_t events) = 0;
    // The snapshots taken since the last call, oldest first (the newest 8); taking them empties the list.
    virtual std::vector<CrashSnapshot> TakeCrashSnapshots() = 0;
    // A host whose picker answers for the view (what it drew at a point) tells the recorder each answer it
    // sets, and the one it replaces (0: none), so that a replay answers the same.
    virtual void RecordPick(int x, int y, unsigned int instance, unsigned int before) = 0;

protected:
    ~ManagerDiagnostics() = default;
};

}  // namespace workflow
