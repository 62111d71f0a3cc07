#pragma once

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "rzk/WorkflowManager.h"

namespace workflow {

// The manager's remote-interface class: the common base of the host-side proxy and of the implementation.
class WorkflowManager : public virtual rzk::WorkflowManager, public virtual du::RefCounted {
public:
    static du::Symbol GetClassName() { return "workflow::WorkflowManager"; }
};

}  // namespace workflow
