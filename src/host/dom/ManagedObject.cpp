#include "dom/ManagedObject.h"

namespace dom {

// Placeholder until the queue runtime lands: objects are never managed.
ManagedObject::ManagedObject() = default;
ManagedObject::~ManagedObject() = default;
std::int16_t ManagedObject::BaseClassOffsetByName(const du::Symbol&) const {
    return -1;
}
int ManagedObject::GetBaseClassCount() const {
    return 0;
}
std::int16_t ManagedObject::GetBaseClassParent(int) const {
    return -1;
}
du::Symbol ManagedObject::GetBaseClass(int) const {
    return du::Symbol::EMPTY;
}
du::Symbol ManagedObject::GetObjectClass() const {
    return du::Symbol::EMPTY;
}
void ManagedObject::HandleMessage(const MessagePtr&) {}
void ManagedObject::HandleTimeoutEvent(std::int64_t) {}
void ManagedObject::HandleOnIdleEvent() {}
void ManagedObject::OnManage() {}
bool ManagedObject::ManageSelf(const du::SmartPtr<GenericMessageQueue>&, const du::Symbol&, int) {
    return false;
}
bool ManagedObject::ManageObject(const du::SmartPtr<ManagedObject>&) {
    return false;
}
bool ManagedObject::IsManagedByCurrentThread() const {
    return false;
}

}  // namespace dom
