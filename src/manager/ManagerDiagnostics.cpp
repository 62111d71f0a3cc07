// The manager's diagnostics: the routing log and the flight recorder.
#include "manager/ManagerDiagnostics.h"

#include "manager/WorkflowManagerImpl.h"

namespace workflow {

void WorkflowManagerImpl::RegisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) {
    routing_.Add(observer);
}

void WorkflowManagerImpl::DeregisterRoutingObserver(const du::SmartPtr<RoutingObserver>& observer) {
    routing_.Remove(observer.Get());
}

void WorkflowManagerImpl::SetFlightRecorderCapacity(std::size_t events) {
    (void)events;
}

std::vector<CrashSnapshot> WorkflowManagerImpl::TakeCrashSnapshots() {
    return {};
}

}  // namespace workflow
