#pragma once

#include "diagnostics/FlightRecorder.h"
#include "dom/Message.h"
#include "du/SmartPtr.h"
#include "manager/ManagerParts.h"
#include "manager/WorkflowManager.h"

namespace workflow {

// The module-thread end of the manager's remote interface (workflow::WorkflowManagerLocalImpl in its trace
// lines). Method tables 0 and 1 share one tag dispatch: the values of the tag's operation are read in
// order, the operation is called on manager, and the five operations with results reply. A message with
// another method table, an unknown tag or a value that cannot be read is traced through the
// "<generated code>"/"WorkflowManager" tracer and returned to its sender; the operation is not called.
// manager is held for the length of the call. Exceptions from the operation pass on. The host calls that a
// replay of the view's input makes again (add, remove, persistent, mode, page) go to tap first, when given.
// Queue thread only.
void DispatchWorkflowManagerMessage(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager,
                                    const InputTap* tap = nullptr);

// The remote layer's part of every manager: decodes with DispatchWorkflowManagerMessage. One object for the
// process, never destroyed before the managers. Any thread.
const ManagerMessageDecoder& ManagerDispatcher();

}  // namespace workflow
