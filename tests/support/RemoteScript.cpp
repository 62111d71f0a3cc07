#include "support/RemoteScript.h"

#include <functional>
#include <utility>

#include "manager/MessageInterface.h"
#include "messages/ConstStrings.h"
#include "messages/TypedMessages.h"

namespace testing_support {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += (joined.empty() ? "" : " | ") + line;
    }
    return joined;
}

}  // namespace

std::string DrainEffects(RemoteWorld& world) {
    std::vector<std::string> seen;
    for (std::string& line : world.log) {
        seen.push_back(std::move(line));
    }
    for (std::string& call : world.managerObserver->calls) {
        seen.push_back("observer " + std::move(call));
    }
    for (const NotificationCall& call : world.notificationObserver->notifications) {
        seen.push_back("notified " + call.source.ToString() + " " + call.notification.ToString() + " " +
                       std::to_string(call.value));
    }
    for (std::string& call : world.window->GetCallLog()) {
        seen.push_back("window " + std::move(call));
    }
    world.log.clear();
    world.managerObserver->calls.clear();
    world.notificationObserver->notifications.clear();
    world.window->ClearCallLog();
    return Joined(seen);
}

ProbeWorkflow::ProbeWorkflow(const char* name, unsigned int priority, CallLog* log,
                             du::SmartPtr<du::RefCounted> answer)
    : ScriptedWorkflow(name, priority, nullptr), log_(log), answer_(std::move(answer)) {}

bool ProbeWorkflow::HandleMsg(const workflow::Msg& message) {
    // The window observer's timer runs on the module thread's real clock, at any moment of the script: its
    // ticks are no effect of a host call, and logging them would race with the host thread reading the log.
    if (message.GetName() == workflow::ConstStrings::MsgTimer) {
        return false;
    }
    std::string line = GetWorkflowName().ToString() + ":" + message.GetName().ToString();
    if (message.GetName() == workflow::ConstStrings::MsgSetPage) {
        line += " " + std::to_string(static_cast<const workflow::PageMsg&>(message).GetPage());
    } else if (message.GetName() == workflow::ConstStrings::MsgSetMode) {
        const auto& mode = static_cast<const workflow::ModeMsg&>(message);
        line += " " + mode.GetWorkflowName().ToString() + " " + mode.GetModeString().ToString() + " " +
                std::to_string(mode.GetModeNumber()) +
                (mode.GetModePtr() == answer_ ? " answer"
                 : mode.GetModePtr()          ? " other"
                                              : " null");
    }
    log_->push_back(std::move(line));
    return false;
}

bool ProbeWorkflow::HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                                du::SmartPtr<du::RefCounted>& object) {
    log_->push_back(GetWorkflowName().ToString() + ":query " + query.ToString());
    symbol = GetWorkflowName();
    number = static_cast<int>(GetPriority());
    object = answer_;
    return true;
}

void ProbeWorkflow::HandleTraceString(const std::string& line) {
    log_->push_back(GetWorkflowName().ToString() + ":replay " + line);
}

void ProbeWorkflow::SetPersistent(bool persistent) {
    ScriptedWorkflow::SetPersistent(persistent);
    log_->push_back(GetWorkflowName().ToString() + ":persistent " + (persistent ? "true" : "false"));
}

RemoteWorld::RemoteWorld() {
    view->SetWindow(window);
    rzloader::Loader::SetLoader(loader);
    for (auto [name, priority] : {std::pair{"probe-a", 10u}, std::pair{"probe-b", 20u}}) {
        loader->RegisterFactory(
            rzloader::Loader::ANY_VIEW_TYPE, "workflow", name, [this, name = name, priority = priority] {
                return du::SmartPtr<du::RefCounted>(new ProbeWorkflow(name, priority, &log, queryAnswer));
            });
    }
}

RemoteWorld::~RemoteWorld() {
    rzloader::Loader::SetLoader(nullptr);
}

std::vector<std::string> DriveEveryOperation(rzk::WorkflowManager& manager, RemoteWorld& world,
                                             const std::function<void()>& settle) {
    std::vector<std::string> effects;
    // Answers are asked for only once the calls before them have run.
    auto note = [&](const std::string& step, const std::function<std::string()>& answer = nullptr) {
        settle();
        const std::string answered = answer ? " = " + answer() : "";
        settle();
        effects.push_back(step + answered + " -> " + DrainEffects(world));
    };
    const du::SmartPtr<rzk::NotificationObserver> notificationObserver(world.notificationObserver.Get());
    const du::SmartPtr<rzk::WorkflowManagerObserver> managerObserver(world.managerObserver.Get());

    manager.RegisterNotificationObserver(notificationObserver);
    manager.RegisterObserver(managerObserver);
    note("register both", [&] { return std::to_string(world.notificationObserver->registered); });
    manager.RegisterObserver(nullptr);
    note("register no observer");
    manager.AddWorkflow("probe-a", false);
    note("add probe-a");
    manager.AddWorkflowAtPriority("probe-b", 30, true);
    note("add probe-b at 30");
    note("find 10, 30, 99", [&] {
        return manager.FindWorkflow(10).ToString() + ", " + manager.FindWorkflow(30).ToString() + ", " +
               manager.FindWorkflow(99).ToString();
    });
    manager.SetWorkflowPersistent(10, true);
    note("persist 10");
    manager.SendModeMessage("probe-a", "measure", -7, world.queryAnswer);
    manager.SendModeMessage("probe-b", "", 0, nullptr);
    note("mode messages");
    note("query", [&] {
        du::Symbol symbol;
        int number = 0;
        du::SmartPtr<du::RefCounted> object;
        const bool answered = manager.QueryWorkflows("QueryWho", symbol, number, object);
        return std::string(answered ? "true " : "false ") + symbol.ToString() + " " + std::to_string(number) +
               (object == world.queryAnswer ? " answer" : " other");
    });
    manager.ToggleComponentRotate();
    note("toggle rotate");
    manager.SetCurPage(3);
    note("page 3");
    manager.UpdateStatusMsg();
    note("update status");
    manager.SetMouseCursor(40, "crosshair");
    note("cursor 40 crosshair", [&] { return manager.GetCurrentCursor().ToString(); });
    manager.SetCursorPosition(5, -6);
    note("cursor position");
    manager.OutputTraceString("host", "<MsgMouseMove mouseX=\"1\" mouseY=\"2\"/>");
    note("output trace");
    manager.HandleTraceString("probe-a", "<MsgMouseMove mouseX=\"1\" mouseY=\"2\"/>");
    note("replay into probe-a");
    manager.SetWorkflowTraceEnabled(false);
    note("trace off", [&] { return manager.IsWorkflowTraceEnabled() ? "on" : "off"; });
    manager.ManagePluginObserver(du::SmartPtr<du::RefCounted>(world.pluginObserver.Get()));
    note("manage plug-in observer",
         [&] { return world.pluginObserver->managed ? "managed" : "not managed"; });
    note("interfaces", [&] {
        auto message = du::DynamicPtrCast<workflow::MessageInterface>(
            manager.GetInternalInterface(workflow::InterfaceTypes::Message));
        return (message ? message->GetInterfaceType().ToString() : "none") + ", " +
               (manager.GetInternalInterface("Other") ? "some" : "none");
    });
    manager.RemoveWorkflowByPriority(10);
    note("remove 10");
    manager.RemoveWorkflowByName("probe-b");
    note("remove probe-b");
    manager.DeregisterNotificationObserver(notificationObserver);
    manager.DeregisterObserver(managerObserver);
    manager.OutputTraceString("host", "unheard");
    manager.AddWorkflow("probe-b", false);
    note("deregister both, trace and add probe-b");
    manager.RegisterObserver(managerObserver);
    manager.Destroy();
    note("destroy", [&] { return "found '" + manager.FindWorkflow(20).ToString() + "'"; });
    return effects;
}

std::vector<std::string> ExpectedEffectsOfEveryOperation() {
    return {
        "register both = 1 -> observer registered",
        "register no observer -> ",
        "add probe-a -> probe-a:persistent false | probe-a:MsgWorkflowChanged | probe-a:MsgUpdateStatusBar | "
        "probe-a:MsgUpdateStatusBar | observer >probe-a@10 ok",
        "add probe-b at 30 -> probe-b:persistent true | probe-b:MsgWorkflowChanged | "
        "probe-a:MsgWorkflowChanged | "
        "probe-b:MsgUpdateStatusBar | probe-a:MsgUpdateStatusBar | probe-b:MsgUpdateStatusBar | "
        "probe-a:MsgUpdateStatusBar | observer >probe-b@30 ok",
        "find 10, 30, 99 = probe-a, probe-b,  -> ",
        "persist 10 -> probe-a:persistent true",
        "mode messages -> probe-b:MsgSetMode probe-a measure -7 answer | probe-a:MsgSetMode probe-a measure "
        "-7 answer"
        " | probe-b:MsgSetMode probe-b  0 null | probe-a:MsgSetMode probe-b  0 null",
        "query = true probe-b 30 answer -> probe-b:query QueryWho",
        "toggle rotate -> probe-b:MsgToggleComponentRotate | probe-a:MsgToggleComponentRotate",
        "page 3 -> probe-b:MsgSetPage 3 | probe-a:MsgSetPage 3",
        "update status -> probe-b:MsgUpdateStatusBar | probe-a:MsgUpdateStatusBar",
        "cursor 40 crosshair = crosshair -> window ResetCursor | window SetCursor crosshair",
        "cursor position -> window SetCursorPosition 5 -6",
        "output trace -> notified host trace 0",
        "replay into probe-a -> probe-a:replay <MsgMouseMove mouseX=\"1\" mouseY=\"2\"/>",
        "trace off = off -> ",
        "manage plug-in observer = managed -> ",
        "interfaces = MessageInterface, none -> ",
        "remove 10 -> probe-b:MsgWorkflowChanged | probe-b:MsgUpdateStatusBar | observer probe-a>@10 ok",
        "remove probe-b -> observer probe-b>@30 ok",
        // Deregistered observers hear neither the trace line nor the new workflow.
        "deregister both, trace and add probe-b -> probe-b:persistent false | probe-b:MsgWorkflowChanged | "
        "probe-b:MsgUpdateStatusBar | probe-b:MsgUpdateStatusBar",
        "destroy = found '' -> observer registered | observer destroyed",
    };
}

}  // namespace testing_support
