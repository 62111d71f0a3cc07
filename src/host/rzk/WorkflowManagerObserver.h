#pragma once

#include "dom/Observer.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/Symbol.h"

namespace rzk {

// The host's observer of a workflow manager: stack changes, failed requests and the manager's end. Register
// it with rzk::WorkflowManager::RegisterObserver. It is a dom::Observer already (an observer travels through
// the manager's proxy as a handle to a managed object), so derive from this class alone:
//
//     class Reports : public rzk::WorkflowManagerObserver {
//     public:
//         void OnRegistered() override {}
//         void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
//                               bool success, const du::Symbol& message) override { /* guard shared state */
//                               }
//         void OnManagerDestroyed() override {}
//     };
//     manager->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(new Reports));
//
// The manager calls it synchronously on the plug-in's module thread, one call at a time (OnRegistered
// first), so guard what it shares with host threads and do not call a blocking manager operation from it.
// The manager holds a counted reference until deregistration or its end.
class RZHOST_API WorkflowManagerObserver : public virtual dom::Observer {
public:
    static du::Symbol GetClassName() { return "rzk::WorkflowManagerObserver"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    virtual void OnRegistered() = 0;
    virtual void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                                  bool success, const du::Symbol& message) = 0;
    virtual void OnManagerDestroyed() = 0;
};

}  // namespace rzk
