// Observers, notifications, queries, tracing and the internal interfaces of the manager.
#include <iterator>

#include "dom/Observer.h"
#include "manager/MessageInterface.h"
#include "manager/TraceData.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "workflows/Workflow.h"

namespace workflow {
namespace {

const du::Symbol& TraceNotification() {
    static const du::Symbol name("trace");
    return name;
}

}  // namespace

void WorkflowManagerImpl::RegisterNotificationObserver(
    const du::SmartPtr<rzk::NotificationObserver>& observer) {
    if (observer) {
        notificationObservers_.Add(observer);
        observer->OnRegistered();
    }
}

void WorkflowManagerImpl::DeregisterNotificationObserver(
    const du::SmartPtr<rzk::NotificationObserver>& observer) {
    notificationObservers_.Remove(observer.Get());
}

void WorkflowManagerImpl::RegisterObserver(const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) {
    if (observer) {
        managerObservers_.Add(observer);
        observer->OnRegistered();
    }
}

void WorkflowManagerImpl::DeregisterObserver(const du::SmartPtr<rzk::WorkflowManagerObserver>& observer) {
    managerObservers_.Remove(observer.Get());
}

void WorkflowManagerImpl::SendNotification(du::Symbol source, du::Symbol notification, int value,
                                           const du::SmartPtr<du::RefCounted>& data) {
    notificationObservers_.ForEach([&](rzk::NotificationObserver& observer) {
        observer.OnNotification(source, notification, value, data);
    });
}

void WorkflowManagerImpl::ManagePluginObserver(const du::SmartPtr<du::RefCounted>& object) {
    if (auto* observer = dynamic_cast<dom::Observer*>(object.Get())) {
        AddManagedObject(du::SmartPtr<dom::ManagedObject>(observer));
    }
}

void WorkflowManagerImpl::AddManagedObject(const du::SmartPtr<dom::ManagedObject>& object) {
    if (object) {
        managedObjects_.push_back(object);
        ManageObject(object);
    }
}

bool WorkflowManagerImpl::QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                                         du::SmartPtr<du::RefCounted>& object) {
    // Queries walk the stack like messages, without exclusive claims; an answering workflow may change it.
    for (auto entry = stack_.begin(); entry != stack_.end();) {
        const unsigned int priority = entry->first;
        const std::uint64_t version = stack_.Version();
        du::SmartPtr<Workflow> workflow = entry->second;
        if (workflow && workflow->HandleQuery(query, symbol, number, object)) {
            return true;
        }
        entry = version == stack_.Version() ? std::next(entry) : stack_.FirstBelow(priority);
    }
    return false;
}

void WorkflowManagerImpl::SetWorkflowTraceEnabled(bool enabled) {
    traceEnabled_ = enabled;
}

bool WorkflowManagerImpl::IsWorkflowTraceEnabled() {
    return traceEnabled_;
}

void WorkflowManagerImpl::OutputTraceString(const du::Symbol& source, const du::Symbol& text) {
    // The switch is the workflows' to honour: a host calling this directly always notifies.
    const du::SmartPtr<du::RefCounted> data(new TraceData(text));
    SendNotification(source, TraceNotification(), 0, data);
}

void WorkflowManagerImpl::HandleTraceString(const du::Symbol& workflowName, const du::Symbol& text) {
    auto entry = FindWorkflowByName(workflowName);
    if (entry != stack_.end()) {
        du::SmartPtr<Workflow> workflow = entry->second;
        workflow->HandleTraceString(text.ToString());
    }
}

du::SmartPtr<du::RefCounted> WorkflowManagerImpl::GetInternalInterface(const du::Symbol& type) {
    if (type == InterfaceTypes::Message) {
        return du::SmartPtr<du::RefCounted>(new MessageInterface(du::SmartPtr<WorkflowManagerImpl>(this)));
    }
    return nullptr;
}

// Animation events and the engine come with the manager's lifecycle; until then no event is ever pending.
AnimationEvent* WorkflowManagerImpl::CreateAnimationEvent(bool) {
    return nullptr;
}

void WorkflowManagerImpl::CancelAnimationEvents() {
    animationEvents_.clear();
}

void WorkflowManagerImpl::OnAnimationEventComplete(AnimationEvent* event) {
    std::erase(animationEvents_, event);
    DispatchMessage(Msg(ConstStrings::MsgAnimationFinished));
}

void WorkflowManagerImpl::GetAnimationEngine(du::SmartPtr<animation::Engine>&) {}

}  // namespace workflow
