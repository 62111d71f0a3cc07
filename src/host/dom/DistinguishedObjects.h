#pragma once

#include <cstdint>

#include "dom/ManagedObject.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom {

// The object registered by ManageSelf under name, waiting up to timeoutMs (steady clock; a timeout too long
// for the clock waits without limit) for the name to appear; null when it does not. On a thread that owns the
// object's queue the object itself is given; elsewhere a proxy from the factory registered for the object's
// class (made for the interface index that BaseClassOffsetByName gives for className, 0 when it knows none),
// or the object itself when no factory serves it. Null also when the object describes its classes and
// className is not among them. Any thread.
RZHOST_API du::SmartPtr<ManagedObject> GetDistinguishedObject(const du::Symbol& className,
                                                              const du::Symbol& name, std::int64_t timeoutMs);

}  // namespace dom
