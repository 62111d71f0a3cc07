#pragma once

#include "dom/Observer.h"
#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

// The host's receiver of workflow notifications and trace lines. Register it with
// rzk::WorkflowManager::RegisterNotificationObserver. It is a dom::Observer already (an observer travels
// through the manager's proxy as a handle to a managed object), so derive from this class alone:
//
//     class Notes : public rzk::NotificationObserver {
//     public:
//         void OnRegistered() override {}
//         void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
//                             const du::SmartPtr<du::RefCounted>& data) override {
//             if (notification == du::Symbol("trace")) { /* data is a workflow::TraceData */ }
//         }
//     };
//     manager->RegisterNotificationObserver(du::SmartPtr<rzk::NotificationObserver>(new Notes));
//
// The manager calls it synchronously on the plug-in's module thread, one call at a time (OnRegistered
// first), so guard what it shares with host threads and do not call a blocking manager operation from it.
// The data of a workflow's notification is what the workflow sent (often a du::TextData); that of a "trace"
// notification is a workflow::TraceData (manager/TraceData.h), and trace lines are on in a new manager
// (rzk::WorkflowManager::SetWorkflowTraceEnabled turns them off). The manager holds a counted reference
// until deregistration or its end.
class RZHOST_API NotificationObserver : public virtual dom::Observer {
public:
    static du::Symbol GetClassName() { return "rzk::NotificationObserver"; }

    virtual int GetInterfaceIndex(int) const { return 1; }
    virtual void OnRegistered() = 0;
    virtual void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                                const du::SmartPtr<du::RefCounted>& data) = 0;
};

}  // namespace rzk
