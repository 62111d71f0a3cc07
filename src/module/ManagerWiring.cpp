#include "module/ManagerWiring.h"

#include "manager/ManagerParts.h"
#include "observers/ObserverFactory.h"
#include "remote/WorkflowManagerDispatcher.h"

namespace workflow {
namespace {

// Wired in the library's static initialisation, as the proxy factories are registered.
struct LoadTimeWiring {
    LoadTimeWiring() { WireManagerParts(); }
} loadTimeWiring;

}  // namespace

void WireManagerParts() {
    SetManagerParts(ManagerParts{&ViewObserverFactory(), &ManagerDispatcher()});
}

}  // namespace workflow
