// The manager's diagnostics: the routing log and the flight recorder.
#include "manager/ManagerDiagnostics.h"

#include <string>
#include <utility>
#include <vector>

#include "manager/WorkflowManagerImpl.h"

namespace workflow {

void WorkflowManagerImpl::RegisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) {
    routing_.Add(observer);
}

void WorkflowManagerImpl::DeregisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) {
    routing_.Remove(observer.Get());
}

void WorkflowManagerImpl::SetFlightRecorderCapacity(std::size_t events) {
    recorder_.SetCapacity(events);
}

std::vector<CrashSnapshot> WorkflowManagerImpl::TakeCrashSnapshots() {
    return std::exchange(crashSnapshots_, {});
}

void WorkflowManagerImpl::KeepCrashSnapshot(std::string exceptionLine) {
    // Called inside the dispatch's handler for a contained exception: a snapshot that cannot be made (out of
    // memory) is given up rather than let anything escape the containment.
    try {
        CrashSnapshot snapshot;
        snapshot.events = recorder_.Lines();
        snapshot.workflows.reserve(stack_.Last() - stack_.First());
        for (const WorkflowStack::Entry* entry = stack_.First(); entry != stack_.Last(); ++entry) {
            snapshot.workflows.push_back({entry->priority, entry->workflow->GetWorkflowName().ToString(),
                                          entry->workflow->GetPersistent(), entry->serial});
        }
        snapshot.exceptionLine = std::move(exceptionLine);
        if (crashSnapshots_.size() == MAX_CRASH_SNAPSHOTS) {
            crashSnapshots_.erase(crashSnapshots_.begin());
        }
        crashSnapshots_.push_back(std::move(snapshot));
    } catch (...) {
        // the exception line has been reported already; only the snapshot is lost
    }
}

}  // namespace workflow
