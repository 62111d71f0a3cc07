#pragma once

#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/NotificationObserver.h"
#include "rzk/WorkflowManagerObserver.h"

namespace testing_support {

// Records every call as one line: "registered", "destroyed", or a change as "old>new@priority ok" and a
// failure as ">name@priority failed message".
class RecordingManagerObserver : public rzk::WorkflowManagerObserver {
public:
    std::vector<std::string> calls;

    void OnRegistered() override { calls.push_back("registered"); }
    void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                          bool success, const du::Symbol& message) override {
        calls.push_back(oldName.ToString() + ">" + newName.ToString() + "@" + std::to_string(priority) +
                        (success ? " ok" : " failed") +
                        (message.View().empty() ? "" : " " + message.ToString()));
    }
    void OnManagerDestroyed() override { calls.push_back("destroyed"); }
};

struct NotificationCall {
    du::Symbol source;
    du::Symbol notification;
    int value = 0;
    du::SmartPtr<du::RefCounted> data;

    friend bool operator==(const NotificationCall&, const NotificationCall&) = default;
};

class RecordingNotificationObserver : public rzk::NotificationObserver {
public:
    int registered = 0;
    std::vector<NotificationCall> notifications;

    void OnRegistered() override { ++registered; }
    void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        notifications.push_back({source, notification, value, data});
    }
};

}  // namespace testing_support
