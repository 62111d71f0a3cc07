#include "dom/Helper.h"

#include "dom/ProxyObject.h"
#include "dom/QueueCore.h"

namespace dom {

void Helper::PushHandleValue(const du::SmartPtr<ManagedObject>& object, std::int16_t interfaceIndex,
                             MessageWriter& writer) const {
    ManagedObject* named = object.Get();
    if (named && named->proxy_) {
        named = named->proxy_->GetTarget().Get();
    }
    Message::Value& slot = writer.Target().Append();
    slot.kind = ValueKind::Handle;
    slot.interfaceIndex = interfaceIndex;
    if (named) {
        const du::RefCounted* counted = named;
        counted->AddReference(&writer.Target());
        slot.payload.reference = {named, counted};
    }
}

bool Helper::GetHandleValue(du::SmartPtr<ManagedObject>& object, const du::Symbol& className,
                            MessageReader& reader) const {
    Message::Value* slot = reader.Next(ValueKind::Handle);
    if (!slot) {
        return false;
    }
    du::SmartPtr<ManagedObject> named(
        static_cast<ManagedObject*>(const_cast<void*>(slot->payload.reference.object)));
    bool local = true;
    if (named) {
        local = self_ ? self_->queue_.load(std::memory_order_acquire) ==
                            named->queue_.load(std::memory_order_acquire)
                      : named->IsManagedByCurrentThread();
    }
    du::SmartPtr<ManagedObject> resolved;
    if (!detail::ResolveRemoteObject(named, slot->interfaceIndex, className, local, resolved)) {
        --reader.position_;
        return false;
    }
    object = resolved;
    return true;
}

}  // namespace dom
