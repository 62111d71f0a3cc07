#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "messages/Export.h"

namespace workflow {

// Told, for each message the manager dispatches, which way it went. Registered on the manager's own
// interface (ManagerDiagnostics), never through the remote interface. Called on the module thread, in the
// order the dispatch takes its steps.
class WORKFLOW_API RoutingObserver : public virtual du::RefCounted {
public:
    ~RoutingObserver() override = default;
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
    virtual void RegisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) = 0;
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
