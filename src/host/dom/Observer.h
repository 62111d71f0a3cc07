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
// A host's observer of a workflow manager derives from this class too: an object passed through the
// manager's proxy travels as a handle to a managed object, and one that is none arrives empty:
//
//     class Reports : public rzk::WorkflowManagerObserver, public dom::Observer { ... };
//     manager->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(new Reports));
class RZHOST_API Observer : public virtual ManagedObject {
public:
    ~Observer() override;

protected:
    Observer();
};

}  // namespace dom
