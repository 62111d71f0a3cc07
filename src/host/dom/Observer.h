#pragma once

#include "dom/ManagedObject.h"
#include "du/HostExport.h"

namespace dom {

// Base of the host's observers: an actor whose callbacks the observed subject delivers on the observer's
// own queue. ManagedObject is a virtual base so that an observer class may also derive from other actor
// classes.
class RZHOST_API Observer : public virtual ManagedObject {
public:
    ~Observer() override;

protected:
    Observer();
};

}  // namespace dom
