#pragma once

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

class View;
class WorkflowManager;

// The host's interface of the workflow plug-in's module: it makes one workflow manager per view. The host
// reaches it from its own threads through a proxy found under the module's actor name.
class RZHOST_API WorkflowModule : public virtual du::RefCounted {
public:
    static du::Symbol GetClassName() { return "rzk::WorkflowModule"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    // A new manager for view, running on the module's queue. Any thread (through the proxy).
    virtual du::SmartPtr<WorkflowManager> CreateManager(const du::SmartPtr<View>& view) = 0;
};

}  // namespace rzk
