#pragma once

#include <functional>
#include <string>
#include <vector>

#include "dom/Observer.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzloader/Loader.h"
#include "support/RecordingObservers.h"
#include "support/RecordingWorkflow.h"

namespace testing_support {

// Host observers derived from the observer interfaces alone, as a host writes them: that they reach a
// manager through its proxy (as handles) and hear OnRegistered is part of what the scripts check.
using HostManagerObserver = RecordingManagerObserver;
using HostNotificationObserver = RecordingNotificationObserver;

// An object that a manager is asked to keep on its queue; counts the times it was put there.
class PluginObserver : public dom::Observer {
public:
    void OnManage() override { ++managed; }
    int managed = 0;
};

// A workflow that logs what reaches it ("name:MsgSetPage 3"), replays trace lines into the log and answers
// every query with its name, its priority and the world's answer object.
class ProbeWorkflow : public ScriptedWorkflow {
public:
    ProbeWorkflow(const char* name, unsigned int priority, CallLog* log, du::SmartPtr<du::RefCounted> answer);

    bool HandleMsg(const workflow::Msg& message) override;
    bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                     du::SmartPtr<du::RefCounted>& object) override;
    void HandleTraceString(const std::string& line) override;
    void SetPersistent(bool persistent) override;

private:
    CallLog* log_;
    du::SmartPtr<du::RefCounted> answer_;
};

// What a manager under test reaches: a 3D view with a window, a loader (installed while the world lives)
// that makes "probe-a" (priority 10) and "probe-b" (priority 20), host observers and objects to pass.
struct RemoteWorld {
    RemoteWorld();
    ~RemoteWorld();
    RemoteWorld(const RemoteWorld&) = delete;
    RemoteWorld& operator=(const RemoteWorld&) = delete;

    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzk::View> view{new rzk::ShapeView};
    du::SmartPtr<rzloader::Loader> loader{new rzloader::Loader};
    du::SmartPtr<HostManagerObserver> managerObserver{new HostManagerObserver};
    du::SmartPtr<HostNotificationObserver> notificationObserver{new HostNotificationObserver};
    du::SmartPtr<PluginObserver> pluginObserver{new PluginObserver};
    du::SmartPtr<du::RefCounted> queryAnswer{new HostNotificationObserver};
    CallLog log;  // written by the probes on the manager's thread
};

// Everything that happened to world since the last call, as one line: probe log, observer reports,
// notifications and window calls, in that order; each is emptied.
std::string DrainEffects(RemoteWorld& world);

// Calls every one of the manager's 25 operations through manager and answers, line by line, what each
// did to world. settle() returns once every call made so far has run on the manager's thread.
std::vector<std::string> DriveEveryOperation(rzk::WorkflowManager& manager, RemoteWorld& world,
                                             const std::function<void()>& settle);

// The lines DriveEveryOperation answers for a manager made for world.view that works as it should.
std::vector<std::string> ExpectedEffectsOfEveryOperation();

}  // namespace testing_support
