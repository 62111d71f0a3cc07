#pragma once

#include <cstdint>
#include <stdexcept>

#include "dom/Helper.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "rzk/WorkflowManager.h"

// How values that are more than numbers and strings travel, the same way in both directions: counted
// objects as pointers carrying a reference of their own, and objects with a queue of their own as handles.
namespace workflow::remote {

// Appends object with a travelling reference, which the reader takes over; an empty pointer carries none.
// The writing thread only.
inline void PushObject(const du::RefCounted* object, const void* address, dom::MessageWriter& writer) {
    if (!object) {
        writer.PushSmartPtr(nullptr, nullptr);
        return;
    }
    object->AddReference(writer.GetMessage().Get());
    try {
        writer.PushSmartPtr(address, object);
    } catch (...) {
        object->RemoveReference(writer.GetMessage().Get());
        throw;
    }
}

inline void PushObject(const du::SmartPtr<du::RefCounted>& object, dom::MessageWriter& writer) {
    PushObject(object.Get(), object.Get(), writer);
}

// Reads the next value as an object pointer into out (which takes its own reference) and drops the
// travelling reference. T is the type whose address the writer pushed. The reading thread only.
template <class T>
bool TakeObject(dom::MessageReader& reader, du::SmartPtr<T>& out) {
    void* address = nullptr;
    const du::RefCounted* travelling = nullptr;
    if (!reader.GetRawPtr(address, travelling)) {
        return false;
    }
    out = static_cast<T*>(address);
    if (travelling) {
        travelling->RemoveReference(reader.GetMessage().Get());
    }
    return true;
}

// Appends observer as a handle through the observer interface's index; an empty observer as an empty
// handle with index 0. The writing thread only.
template <class Observer>
void PushObserver(const dom::ManagedObject& self, const du::SmartPtr<Observer>& observer,
                  dom::MessageWriter& writer) {
    const dom::Helper helper(self);
    if (!observer) {
        helper.PushHandleValue(nullptr, 0, writer);
        return;
    }
    const auto index = static_cast<std::int16_t>(observer->GetInterfaceIndex(0));
    const du::SmartPtr<dom::ManagedObject> object(dynamic_cast<dom::ManagedObject*>(observer.Get()));
    helper.PushHandleValue(object, index, writer);
}

// Reads the next value as a handle to an Observer; an object that is no such observer gives an empty
// pointer. False when the value cannot be read as a handle. The reading thread only.
template <class Observer>
bool ReadObserver(const dom::ManagedObject& self, const du::Symbol& className, dom::MessageReader& reader,
                  du::SmartPtr<Observer>& out) {
    du::SmartPtr<dom::ManagedObject> object;
    if (!dom::Helper(self).GetHandleValue(object, className, reader)) {
        return false;
    }
    out = dynamic_cast<Observer*>(object.Get());
    return true;
}

// Thrown by a proxy whose reply lacks a value: rzk::ModuleThreadEnded when the message came back because
// its target's queue has shut down or no longer manages it, a plain std::runtime_error otherwise (same
// text).
[[noreturn]] inline void ThrowMissingReplyValue(const dom::Message& reply) {
    const dom::ReturnReason reason = reply.GetReturnReason();
    if (reason == dom::ReturnReason::ShutDown || reason == dom::ReturnReason::Unmanaged) {
        throw rzk::ModuleThreadEnded();
    }
    throw std::runtime_error("ProtocolError extracting return value");
}

}  // namespace workflow::remote
