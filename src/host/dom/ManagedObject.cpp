#include "dom/ManagedObject.h"

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyObject.h"
#include "dom/detail/DistinguishedNames.h"
#include "dom/detail/QueueCore.h"
#include "dom/detail/RuntimeAccess.h"

namespace dom {

using Access = detail::RuntimeAccess;

ManagedObject::ManagedObject() = default;

ManagedObject::~ManagedObject() {
    if (detail::QueueCore* core = Access::QueueOf(*this)) {
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

bool ManagedObject::ManageSelf(const du::SmartPtr<GenericMessageQueue>& queue, const du::Symbol& name, int) {
    if (!queue) {
        return false;
    }
    detail::QueueCore& core = Access::CoreOf(*queue);
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
    core.StartManagement(*this);
    return true;
}

bool ManagedObject::ManageObject(const du::SmartPtr<ManagedObject>& object) {
    detail::QueueCore* core = Access::QueueOf(*this);
    if (!core || !core->IsManaging(*this) || !object) {
        return false;
    }
    switch (core->Manage(*object, du::Symbol())) {
        case detail::QueueCore::BindResult::Added:
            core->StartManagement(*object);
            return true;
        case detail::QueueCore::BindResult::AlreadyHere:
            return true;
        default:
            return false;
    }
}

bool ManagedObject::IsManagedByCurrentThread() const {
    detail::QueueCore* core = Access::QueueOf(*this);
    return core && core->IsManaging(*this) && core->IsOwnerThread();
}

bool ManagedObject::Unmanage() {
    detail::QueueCore* core = Access::QueueOf(*this);
    return core && core->Unmanage(*this);
}

bool ManagedObject::IsManaged() const {
    detail::QueueCore* core = Access::QueueOf(*this);
    return core && core->IsManaging(*this);
}

int ManagedObject::RunMessageLoop() {
    du::SmartPtr<detail::QueueCore> core(Access::QueueOf(*this));
    if (!core || !core->IsManaging(*this)) {
        // A queue shut down before its loop began has let go of its objects: the loop is over at once.
        if (core && core->IsStopRequested()) {
            return 0;
        }
        throw InvalidActorException("RunMessageLoop on an object that is not managed");
    }
    return core->RunLoop();
}

bool ManagedObject::AddRecurringTimeout(std::int64_t periodMs) {
    detail::QueueCore* core = Access::QueueOf(*this);
    return core && core->AddTimer(*this, periodMs);
}

MessageWriter ManagedObject::StartNewMessage(std::int16_t tag) const {
    return StartNewMessage(tag, proxy_ ? proxy_->GetProxyInterfaceIndex() : std::int16_t{0});
}

MessageWriter ManagedObject::StartNewMessage(std::int16_t tag, std::int16_t methodTable) const {
    return MessageWriter(
        Access::NewMessage(Access::Addressee(*this), methodTable, tag, Access::Purpose::Call));
}

bool ManagedObject::DeliverMessage(const MessagePtr& message) const {
    if (!message) {
        return false;
    }
    Message& m = *message;
    if (!Access::MarkDelivered(m)) {
        throw MessageProtocolException("A message can be delivered only once");
    }
    ManagedObject* target = m.GetTarget();
    detail::QueueCore* core = target ? Access::QueueOf(*target) : nullptr;
    if (!core || !core->IsManaging(*target)) {
        Access::Return(m, ReturnReason::Unmanaged);
        return false;
    }
    if (!m.NeedsReply()) {
        ReturnReason refused = core->Post(message);
        if (refused != ReturnReason::None) {
            Access::Return(m, refused);
            return false;
        }
        return true;
    }
    Access::MarkWaited(m);
    // Queueing and waiting on the queue's own thread would wait for this very thread: it runs the target
    // itself instead.
    if (!core->RunIfOwnerThread([&] { core->Dispatch(message); })) {
        ReturnReason refused = core->Post(message);
        if (refused == ReturnReason::None) {
            Access::WaitForCompletion(m);
        } else {
            Access::Return(m, refused);
        }
    }
    return Access::IsAnswered(m);
}

}  // namespace dom
