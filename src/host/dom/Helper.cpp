#include "dom/Helper.h"

#include "dom/ProxyObject.h"
#include "dom/detail/QueueCore.h"
#include "dom/detail/RuntimeAccess.h"

namespace dom {

using Access = detail::RuntimeAccess;

void Helper::PushHandleValue(const du::SmartPtr<ManagedObject>& object, std::int16_t interfaceIndex,
                             MessageWriter& writer) const {
    ManagedObject* named = object ? Access::Addressee(*object) : nullptr;
    Message& message = Access::Written(writer);
    Access::Value& slot = Access::Append(message);
    slot.kind = ValueKind::Handle;
    slot.interfaceIndex = interfaceIndex;
    if (named) {
        const du::RefCounted* counted = named;
        counted->AddReference(&message);
        slot.payload.reference = {named, counted};
    }
}

bool Helper::GetHandleValue(du::SmartPtr<ManagedObject>& object, const du::Symbol& className,
                            MessageReader& reader) const {
    Access::Value* slot = Access::Next(reader, ValueKind::Handle);
    if (!slot) {
        return false;
    }
    du::SmartPtr<ManagedObject> named(
        static_cast<ManagedObject*>(const_cast<void*>(slot->payload.reference.object)));
    bool local = true;
    if (named) {
        local =
            self_ ? Access::QueueOf(*self_) == Access::QueueOf(*named) : named->IsManagedByCurrentThread();
    }
    du::SmartPtr<ManagedObject> resolved;
    if (!detail::ResolveRemoteObject(named, slot->interfaceIndex, className, local, resolved)) {
        Access::Unread(reader);
        return false;
    }
    object = resolved;
    return true;
}

}  // namespace dom
