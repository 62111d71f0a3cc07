#include "manager/MessageInterface.h"

#include <utility>

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"

namespace workflow {

InternalInterface::InternalInterface(du::SmartPtr<WorkflowManagerImpl> manager)
    : manager_(std::move(manager)) {}
InternalInterface::InternalInterface(const InternalInterface& other)
    : du::RefCounted(), manager_(other.manager_) {}
InternalInterface::~InternalInterface() = default;

du::SmartPtr<WorkflowManagerImpl> InternalInterface::GetManager() const {
    return manager_;
}

void InternalInterface::AssignManager(const du::SmartPtr<WorkflowManagerImpl>& manager) {
    manager_ = manager;
}

MessageInterface::MessageInterface(du::SmartPtr<WorkflowManagerImpl> manager)
    : InternalInterface(std::move(manager)) {}
MessageInterface::MessageInterface(const MessageInterface& other) = default;
MessageInterface::~MessageInterface() = default;

MessageInterface& MessageInterface::operator=(const MessageInterface& other) {
    if (this != &other) {
        AssignManager(other.GetManager());
    }
    return *this;
}

du::Symbol MessageInterface::GetInterfaceType() const {
    return InterfaceTypes::Message;
}

bool MessageInterface::SendMessage(const Msg& message) const {
    du::SmartPtr<WorkflowManagerImpl> manager = GetManager();
    if (!manager || !manager->IsManagedByCurrentThread()) {
        return false;
    }
    return manager->DispatchMessage(message);
}

}  // namespace workflow
