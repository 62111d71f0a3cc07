// Observers, notifications, queries, tracing and the internal interfaces of the manager.
#include <cstddef>

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
        RefreshTraceState();
        observer->OnRegistered();
    }
}

void WorkflowManagerImpl::DeregisterNotificationObserver(
    const du::SmartPtr<rzk::NotificationObserver>& observer) {
    notificationObservers_.Remove(observer.Get());
    RefreshTraceState();
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
    if (!object) {
        return;
    }
    // Teardown takes off the queue only what this manager put there: an object managed already (here or
    // on another queue), or one that could not be managed, is kept alive but left where it is.
    const bool wasManaged = object->IsManaged();
    const bool managedHere = ManageObject(object) && !wasManaged;
    managedObjects_.push_back(ManagedEntry{object, managedHere});
}

bool WorkflowManagerImpl::QueryWorkflows(const du::Symbol& query, du::Symbol& symbol, int& number,
                                         du::SmartPtr<du::RefCounted>& object) {
    // Queries walk the stack like messages, without exclusive claims; an answering workflow may change it.
    for (WorkflowStack::Entry* entry = stack_.First(); entry != stack_.Last();) {
        const unsigned int priority = entry->priority;
        const std::uint64_t version = stack_.Version();
        du::SmartPtr<Workflow> workflow = entry->workflow;
        if (workflow->HandleQuery(query, symbol, number, object)) {
            return true;
        }
        entry = version == stack_.Version() ? entry + 1 : stack_.Below(priority);
    }
    return false;
}

void WorkflowManagerImpl::SetWorkflowTraceEnabled(bool enabled) {
    traceEnabled_ = enabled;
    RefreshTraceState();
}

void WorkflowManagerImpl::RefreshTraceState() {
    // An observer deregistered during a walk leaves the list only when the walk ends; until the next
    // change the state may still say Heard, which costs a line composed in vain, nothing more.
    traceState_ = !traceEnabled_                   ? TraceState::Off
                  : notificationObservers_.Empty() ? TraceState::Unheard
                                                   : TraceState::Heard;
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
        du::SmartPtr<Workflow> workflow = entry->workflow;
        workflow->HandleTraceString(text.ToString());
    }
}

du::SmartPtr<du::RefCounted> WorkflowManagerImpl::GetInternalInterface(const du::Symbol& type) {
    // A manager being destroyed gives out nothing that would hold a reference to it.
    if (type == InterfaceTypes::Message && !destroying_) {
        return du::SmartPtr<du::RefCounted>(new MessageInterface(du::SmartPtr<WorkflowManagerImpl>(this)));
    }
    return nullptr;
}

}  // namespace workflow
