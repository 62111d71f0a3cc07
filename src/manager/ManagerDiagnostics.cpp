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

void WorkflowManagerImpl::RecordPick(int x, int y, unsigned int instance, unsigned int before) {
    recorder_.Record(FlightRecord::Pick(x, y, instance, before));
}

std::vector<CrashSnapshot> WorkflowManagerImpl::TakeCrashSnapshots() {
    return std::exchange(crashSnapshots_, {});
}

std::uint64_t WorkflowManagerImpl::KeepCrashSnapshot(std::string exceptionLine, std::string exceptionText) {
    // Called inside the dispatch's handler for a contained exception: a snapshot that cannot be made (out of
    // memory) is given up rather than let anything escape the containment.
    try {
        CrashSnapshot snapshot;
        snapshot.input = recorder_.Export();
        snapshot.workflows.reserve(stack_.Last() - stack_.First());
        for (const WorkflowStack::Entry* entry = stack_.First(); entry != stack_.Last(); ++entry) {
            snapshot.workflows.push_back({entry->priority, entry->workflow->GetWorkflowName().ToString(),
                                          entry->workflow->GetPersistent(), entry->serial});
        }
        snapshot.exceptionLine = std::move(exceptionLine);
        snapshot.exceptionText = std::move(exceptionText);
        if (crashSnapshots_.size() == MAX_CRASH_SNAPSHOTS) {
            crashSnapshots_.erase(crashSnapshots_.begin());
        }
        crashSnapshots_.push_back(std::move(snapshot));
        return ++lastSnapshot_;
    } catch (...) {
        // the exception line has been reported already; only the snapshot is lost
        return 0;
    }
}

}  // namespace workflow
