#include "support/RecordingObservers.h"

namespace support {
namespace {

// Shows unset symbols apart from empty ones in failure output.
void PrintSymbol(std::ostream& out, const du::Symbol& symbol) {
    if (symbol.IsNull()) {
        out << "<unset>";
    } else {
        out << '"' << symbol.View() << '"';
    }
}

}  // namespace

ManagerObserverCall ManagerObserverCall::WorkflowChange(const du::Symbol& oldName, const du::Symbol& newName,
                                                        unsigned int priority, bool success,
                                                        const du::Symbol& message) {
    return {Kind::WorkflowChange, oldName, newName, priority, success, message};
}

ManagerObserverCall ManagerObserverCall::ManagerDestroyed() {
    ManagerObserverCall call;
    call.kind = Kind::ManagerDestroyed;
    return call;
}

std::ostream& operator<<(std::ostream& out, const ManagerObserverCall& call) {
    switch (call.kind) {
        case ManagerObserverCall::Kind::Registered:
            return out << "OnRegistered()";
        case ManagerObserverCall::Kind::ManagerDestroyed:
            return out << "OnManagerDestroyed()";
        case ManagerObserverCall::Kind::WorkflowChange:
            break;
    }
    out << "OnWorkflowChange(";
    PrintSymbol(out, call.oldName);
    out << ", ";
    PrintSymbol(out, call.newName);
    out << ", " << call.priority << ", " << (call.success ? "true" : "false") << ", ";
    PrintSymbol(out, call.message);
    return out << ")";
}

std::ostream& operator<<(std::ostream& out, const NotificationCall& call) {
    out << "OnNotification(";
    PrintSymbol(out, call.source);
    out << ", ";
    PrintSymbol(out, call.notification);
    return out << ", " << call.value << ", " << static_cast<const void*>(call.data.Get()) << ")";
}

void RecordingManagerObserver::OnRegistered() {
    Record(ManagerObserverCall::Registered());
}

void RecordingManagerObserver::OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName,
                                                unsigned int priority, bool success,
                                                const du::Symbol& message) {
    Record(ManagerObserverCall::WorkflowChange(oldName, newName, priority, success, message));
}

void RecordingManagerObserver::OnManagerDestroyed() {
    Record(ManagerObserverCall::ManagerDestroyed());
}

std::vector<ManagerObserverCall> RecordingManagerObserver::GetCalls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

std::vector<ManagerObserverCall> RecordingManagerObserver::GetWorkflowChanges() const {
    std::lock_guard guard(lock_);
    std::vector<ManagerObserverCall> changes;
    for (const ManagerObserverCall& call : calls_) {
        if (call.kind == ManagerObserverCall::Kind::WorkflowChange) {
            changes.push_back(call);
        }
    }
    return changes;
}

void RecordingManagerObserver::Clear() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

void RecordingManagerObserver::Record(const ManagerObserverCall& call) {
    std::lock_guard guard(lock_);
    calls_.push_back(call);
}

void RecordingNotificationObserver::OnRegistered() {
    std::lock_guard guard(lock_);
    ++registered_;
}

void RecordingNotificationObserver::OnNotification(const du::Symbol& source, const du::Symbol& notification,
                                                   int value, const du::SmartPtr<du::RefCounted>& data) {
    std::lock_guard guard(lock_);
    notifications_.push_back({source, notification, value, data});
}

int RecordingNotificationObserver::GetRegisteredCount() const {
    std::lock_guard guard(lock_);
    return registered_;
}

std::vector<NotificationCall> RecordingNotificationObserver::GetNotifications() const {
    std::lock_guard guard(lock_);
    return notifications_;
}

void RecordingNotificationObserver::Clear() {
    std::lock_guard guard(lock_);
    registered_ = 0;
    notifications_.clear();
}

}  // namespace support
