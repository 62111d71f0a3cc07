#pragma once

#include <mutex>
#include <ostream>
#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/NotificationObserver.h"
#include "rzk/WorkflowManagerObserver.h"

namespace support {

// One call that a manager made on a RecordingManagerObserver.
struct ManagerObserverCall {
    enum class Kind { Registered, WorkflowChange, ManagerDestroyed };

    Kind kind = Kind::Registered;
    // The OnWorkflowChange arguments; unset symbols, 0 and false for the other kinds.
    du::Symbol oldName;
    du::Symbol newName;
    unsigned int priority = 0;
    bool success = false;
    du::Symbol message;

    static ManagerObserverCall Registered() { return {}; }
    static ManagerObserverCall WorkflowChange(const du::Symbol& oldName, const du::Symbol& newName,
                                              unsigned int priority, bool success, const du::Symbol& message);
    static ManagerObserverCall ManagerDestroyed();

    friend bool operator==(const ManagerObserverCall&, const ManagerObserverCall&) = default;
};
std::ostream& operator<<(std::ostream& out, const ManagerObserverCall& call);

// A manager observer that keeps every call, in order, for a test to compare:
//
//     EXPECT_EQ(observer->GetCalls(), (std::vector<support::ManagerObserverCall>{
//         support::ManagerObserverCall::Registered(),
//         support::ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, "Pan", 10, true,
//         du::Symbol::EMPTY)}));
class RecordingManagerObserver : public rzk::WorkflowManagerObserver {
public:
    void OnRegistered() override;
    void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                          bool success, const du::Symbol& message) override;
    void OnManagerDestroyed() override;

    std::vector<ManagerObserverCall> GetCalls() const;
    // Only the OnWorkflowChange calls.
    std::vector<ManagerObserverCall> GetWorkflowChanges() const;
    void Clear();

private:
    void Record(const ManagerObserverCall& call);

    mutable std::mutex lock_;
    std::vector<ManagerObserverCall> calls_;
};

// One OnNotification call.
struct NotificationCall {
    du::Symbol source;
    du::Symbol notification;
    int value = 0;
    du::SmartPtr<du::RefCounted> data;

    friend bool operator==(const NotificationCall&, const NotificationCall&) = default;
};
std::ostream& operator<<(std::ostream& out, const NotificationCall& call);

// A notification observer that keeps every notification, in order, and counts its registrations.
class RecordingNotificationObserver : public rzk::NotificationObserver {
public:
    void OnRegistered() override;
    void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                        const du::SmartPtr<du::RefCounted>& data) override;

    int GetRegisteredCount() const;
    std::vector<NotificationCall> GetNotifications() const;
    void Clear();

private:
    mutable std::mutex lock_;
    int registered_ = 0;
    std::vector<NotificationCall> notifications_;
};

}  // namespace support
