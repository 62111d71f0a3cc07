#pragma once

#include "dom/ManagedObject.h"
#include "du/HostExport.h"

namespace dom {

// Base of the host's observers: an actor whose callbacks the observed subject delivers on the observer's
// own queue. ManagedObject is a virtual base so that an observer class may also derive from other actor
// classes. Threads: the events of a host subject (window, view, scene, selection, annotations) are delivered
// on the thread of the queue that manages the observer, one at a time. Ownership: subjects that deliver to
// it hold counted references.
//
// The observers of a workflow manager (rzk::WorkflowManagerObserver, rzk::NotificationObserver) derive from
// this class themselves: an object passed through the manager's proxy travels as a handle to a managed
// object, so a host's observer class derives from the observer interface alone.
class RZHOST_API Observer : public virtual ManagedObject {
public:
    ~Observer() override;

protected:
    Observer();
};

}  // namespace dom
