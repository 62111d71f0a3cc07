#pragma once

#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"

namespace dom {
class GenericMessageQueue;
}
namespace rzk {
class View;
class WorkflowManager;
}  // namespace rzk

namespace workflow {

class Msg;
class Workflow;

// What the workflow test harness (libworkflow_testing.a, a library of its own) needs of a manager beyond the
// host interface. Exported by libworkflow.so, so that a test drives the very manager code a host loads, and
// not installed: hosts reach a manager only through rzk::WorkflowManager, and authors reach these
// operations only through WorkflowHarness. Each function takes a manager made by MakeManager and runs on the
// thread that owns its queue.
namespace harness {

struct StackEntry {
    unsigned int priority;
    du::Symbol name;
};

// A new manager for view, as the module makes one for a host, under management of queue: it watches the
// view from the next pump on.
WORKFLOW_API du::SmartPtr<rzk::WorkflowManager> MakeManager(
    const du::SmartPtr<rzk::View>& view, const du::SmartPtr<dom::GenericMessageQueue>& queue);
// Installs workflow at its own priority, replacing whatever sits there.
WORKFLOW_API void Install(rzk::WorkflowManager& manager, const du::SmartPtr<Workflow>& workflow);
// Offers message to the workflows; true when one consumed it.
WORKFLOW_API bool Dispatch(rzk::WorkflowManager& manager, const Msg& message);
// The text status field (0 to 3) got in the last status pass; "" outside 0 to 3.
WORKFLOW_API std::string StatusField(rzk::WorkflowManager& manager, int field);
// Whether the highest-priority workflow called name holds an exclusive claim; false when none is installed.
WORKFLOW_API bool HoldsExclusive(rzk::WorkflowManager& manager, const du::Symbol& name);
// The installed workflows, highest priority first.
WORKFLOW_API std::vector<StackEntry> Stack(rzk::WorkflowManager& manager);

}  // namespace harness
}  // namespace workflow
