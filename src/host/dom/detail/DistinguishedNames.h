#pragma once

#include "du/Symbol.h"

namespace dom {

class ManagedObject;

namespace detail {

// The process-wide name table behind GetDistinguishedObject. A name refers to one object at a time. A name
// is reserved first (false when taken) and published once its object is managed, so a lookup never finds
// an object that the queue does not hold yet.
bool ReserveDistinguishedName(const du::Symbol& name, const ManagedObject* object);
void PublishDistinguishedName(const du::Symbol& name, ManagedObject* object);
void UnregisterDistinguishedName(const du::Symbol& name, const ManagedObject* object);

}  // namespace detail
}  // namespace dom
