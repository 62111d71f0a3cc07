#pragma once

#include "dom/Message.h"
#include "du/SmartPtr.h"
#include "remote/WorkflowModule.h"

namespace workflow {

// The module-thread end of the module's remote interface (workflow::WorkflowModuleLocalImpl in its trace
// lines). Method tables 0 and 1 carry CreateManager as tag 0: the view is read, module's CreateManager runs,
// and the reply holds a handle to the new manager (an empty one, index 0, for no manager). Another method
// table, another tag or an unreadable view is traced through the "<generated code>"/"WorkflowModule"
// tracer and the message returned to its sender. module is held for the length of the call. Exceptions
// from CreateManager pass on. Queue thread only.
void DispatchWorkflowModuleMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowModule> module);

}  // namespace workflow
