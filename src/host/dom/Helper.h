#pragma once

#include <cstdint>

#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace dom {

// Writes and reads handles, relative to the managed object it is made on: a handle names an object and
// the interface index through which it is addressed. Reading one gives the object itself when it runs on
// the same queue as that object; otherwise a proxy made by the factory registered for the object's class
// (or, when that class has none, for the class name asked for), bound to the object; otherwise, for a
// class that no factory serves, the object itself.
//
//     dom::Helper helper(this);
//     helper.PushHandleValue(observerObject, observer->GetInterfaceIndex(0), writer);
//     ...
//     du::SmartPtr<dom::ManagedObject> object;
//     if (!helper.GetHandleValue(object, du::Symbol("rzk::NotificationObserver"), reader)) { /* refuse */ }
class RZHOST_API Helper {
public:
    explicit Helper(const ManagedObject* self) : self_(self) {}
    explicit Helper(const ManagedObject& self) : self_(&self) {}

    // Appends a handle to object (null for an empty handle); the message keeps object alive until it is
    // destroyed. A proxy is written as a handle to its target. The writing thread only.
    void PushHandleValue(const du::SmartPtr<ManagedObject>& object, std::int16_t interfaceIndex,
                         MessageWriter& writer) const;
    // Reads the next value as a handle into object (null for an empty handle). False, with the position
    // unchanged, when the next value is missing or not a handle, or when a factory could not make its proxy.
    // The reading thread only.
    bool GetHandleValue(du::SmartPtr<ManagedObject>& object, const du::Symbol& className,
                        MessageReader& reader) const;

private:
    const ManagedObject* self_;
};

}  // namespace dom
