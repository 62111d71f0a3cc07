#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace rzk {

// The host's observer of a workflow manager: stack changes, failed requests and the manager's end.
class RZHOST_API WorkflowManagerObserver : public virtual du::RefCounted {
public:
    static du::Symbol GetClassName() { return "rzk::WorkflowManagerObserver"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    virtual void OnRegistered() = 0;
    virtual void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                                  bool success, const du::Symbol& message) = 0;
    virtual void OnManagerDestroyed() = 0;
};

}  // namespace rzk
