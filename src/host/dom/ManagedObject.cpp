#include "dom/ManagedObject.h"

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyObject.h"
#include "dom/QueueCore.h"

namespace dom {

ManagedObject::ManagedObject() = default;

ManagedObject::~ManagedObject() {
    if (detail::QueueCore* core = queue_.load(std::memory_order_acquire)) {
        core->RemoveReference(this);
    }
}

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
    return GetBaseClassCount() > 0 ? GetBaseClass(0) : du::Symbol::EMPTY;
}

void ManagedObject::HandleMessage(const MessagePtr& message) {
    PrepMessageForReturnBadTable(message);
}

void ManagedObject::HandleTimeoutEvent(std::int64_t) {}

void ManagedObject::HandleOnIdleEvent() {}

void ManagedObject::OnManage() {}

void ManagedObject::StartManagement(detail::QueueCore& core) {
    if (core.IsOwnerThread()) {
        OnManage();
        return;
    }
    MessagePtr call(new Message(this, 0, 0, Message::Purpose::Manage));
    core.Post(call);
}

bool ManagedObject::ManageSelf(const du::SmartPtr<GenericMessageQueue>& queue, const du::Symbol& name, int) {
    if (!queue) {
        return false;
    }
    detail::QueueCore& core = queue->Core();
    if (core.IsStopRequested()) {
        throw ActorShutdownException("The message queue has been shut down");
    }
    bool named = name.IsSet() && name != du::Symbol::EMPTY;
    if (named && !detail::ReserveDistinguishedName(name, this)) {
        return false;
    }
    detail::QueueCore::BindResult bound = core.Manage(*this, named ? name : du::Symbol());
    if (bound != detail::QueueCore::BindResult::Added) {
        if (named) {
            detail::UnregisterDistinguishedName(name, this);
        }
        if (bound == detail::QueueCore::BindResult::ShutDown) {
            throw ActorShutdownException("The message queue has been shut down");
        }
        return false;
    }
    if (named) {
        detail::PublishDistinguishedName(name, this);
    }
    StartManagement(core);
    return true;
}

bool ManagedObject::ManageObject(const du::SmartPtr<ManagedObject>& object) {
    detail::QueueCore* core = queue_.load(std::memory_order_acquire);
    if (!core || !core->IsManaging(*this) || !object) {
        return false;
    }
    switch (core->Manage(*object, du::Symbol())) {
        case detail::QueueCore::BindResult::Added:
            object->StartManagement(*core);
            return true;
        case detail::QueueCore::BindResult::AlreadyHere:
            return true;
        default:
            return false;
    }
}

bool ManagedObject::IsManagedByCurrentThread() const {
    detail::QueueCore* core = queue_.load(std::memory_order_acquire);
    return core && core->IsManaging(*this) && core->IsOwnerThread();
}

bool ManagedObject::Unmanage() {
    detail::QueueCore* core = queue_.load(std::memory_order_acquire);
    return core && core->Unmanage(*this);
}

bool ManagedObject::IsManaged() const {
    detail::QueueCore* core = queue_.load(std::memory_order_acquire);
    return core && core->IsManaging(*this);
}

int ManagedObject::RunMessageLoop() {
    du::SmartPtr<detail::QueueCore> core(queue_.load(std::memory_order_acquire));
    if (!core || !core->IsManaging(*this)) {
        throw InvalidActorException("RunMessageLoop on an object that is not managed");
    }
    return core->RunLoop();
}

bool ManagedObject::AddRecurringTimeout(std::int64_t periodMs) {
    detail::QueueCore* core = queue_.load(std::memory_order_acquire);
    return core && core->AddTimer(*this, periodMs);
}

MessageWriter ManagedObject::StartNewMessage(std::int16_t tag) const {
    return StartNewMessage(tag, proxy_ ? proxy_->GetProxyInterfaceIndex() : std::int16_t{0});
}

MessageWriter ManagedObject::StartNewMessage(std::int16_t tag, std::int16_t methodTable) const {
    ManagedObject* target = proxy_ ? proxy_->GetTarget().Get() : const_cast<ManagedObject*>(this);
    return MessageWriter(MessagePtr(new Message(target, methodTable, tag, Message::Purpose::Call)));
}

bool ManagedObject::DeliverMessage(const MessagePtr& message) const {
    if (!message) {
        return false;
    }
    Message& m = *message;
    if (m.posted_ || m.purpose_ != Message::Purpose::Call) {
        throw MessageProtocolException("A message can be delivered only once");
    }
    m.posted_ = true;
    ManagedObject* target = m.target_;
    detail::QueueCore* core = target ? target->queue_.load(std::memory_order_acquire) : nullptr;
    if (!core || !core->IsManaging(*target)) {
        m.Return(ReturnReason::Unmanaged);
        return false;
    }
    if (!m.NeedsReply()) {
        ReturnReason refused = core->Post(message);
        if (refused != ReturnReason::None) {
            m.Return(refused);
            return false;
        }
        return true;
    }
    m.waited_ = true;
    if (core->IsOwnerThread()) {
        // Queueing and waiting here would wait for this very thread: run the target now instead.
        core->Dispatch(message);
    } else {
        ReturnReason refused = core->Post(message);
        if (refused == ReturnReason::None) {
            m.WaitForCompletion();
        } else {
            m.Return(refused);
        }
    }
    return m.replied_ && m.returnReason_ == ReturnReason::None;
}

}  // namespace dom
