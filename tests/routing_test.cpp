// The routing log: the steps each dispatch path reports to routing observers, in order, with nested
// dispatches one level deeper, and observers that leave in the middle of a dispatch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dom/MessageQueue.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "observers/AnimationEvent.h"
#include "support/RecordingWorkflow.h"
#include "support/RemoteScript.h"

namespace {

using testing_support::CallLog;
using testing_support::ScriptedWorkflow;
using workflow::ConstStrings;
using workflow::RoutingStep;

// Writes each step as "DEPTH:what", e.g. "1:offer orbit@100 declined".
std::string Describe(const RoutingStep& step) {
    const std::string at = step.workflow.ToString() + "@" + std::to_string(step.priority);
    const std::string answer = step.answer == RoutingStep::Answer::Consumed ? "consumed"
                               : step.answer == RoutingStep::Answer::Declined
                                   ? "declined"
                                   : "threw(" + step.exception + ")";
    std::string text = std::to_string(step.depth) + ":";
    switch (step.kind) {
        case RoutingStep::Kind::Dispatched:
            return text + step.message.ToString();
        case RoutingStep::Kind::AnimationsCancelled:
            return text + "cancel " + std::to_string(step.cancelled);
        case RoutingStep::Kind::Claimed:
            return text + "claim " + at + " " + answer;
        case RoutingStep::Kind::Offered:
            return text + "offer " + at + " " + answer;
        case RoutingStep::Kind::Skipped:
            return text + "skip " + at;
        case RoutingStep::Kind::Escaped:
            return text + "escape " + at;
        case RoutingStep::Kind::Finished:
            return text + "end " + step.message.ToString() + (step.consumed ? " consumed" : " unconsumed");
    }
    return text + "?";
}

class Router : public workflow::RoutingObserver {
public:
    explicit Router(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Router() override {
        if (destroyed_) {
            ++*destroyed_;
        }
    }
    void OnRoutingStep(const RoutingStep& step) override {
        steps.push_back(Describe(step));
        if (onStep) {
            onStep(step);
        }
    }
    // Only the steps of outermost dispatches.
    std::vector<std::string> Outer() const {
        std::vector<std::string> outer;
        for (const std::string& step : steps) {
            if (step.starts_with("1:")) {
                outer.push_back(step);
            }
        }
        return outer;
    }

    std::vector<std::string> steps;
    std::function<void(const RoutingStep&)> onStep;

private:
    int* destroyed_;
};

class Routing : public ::testing::Test {
protected:
    CallLog log;  // first: the manager's teardown still writes to it
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<Router> router{new Router};

    du::SmartPtr<ScriptedWorkflow> Install(const char* name, unsigned int priority) {
        du::SmartPtr<ScriptedWorkflow> workflow(new ScriptedWorkflow(name, priority, &log));
        manager->InstallWorkflow(workflow);
        return workflow;
    }
    void Listen() {
        manager->RegisterRoutingObserver(router);
        router->steps.clear();
    }
    std::vector<std::string> Send(const du::Symbol& name) {
        router->steps.clear();
        manager->DispatchMessage(workflow::MouseMsg(name, 1, 2));
        return router->steps;
    }
    static bool Consumes(const char* wanted, const workflow::Msg& message) {
        return message.GetName() == du::Symbol(wanted);
    }
};

TEST_F(Routing, ConsumptionAtEachPlaceOfTheStackEndsTheLogThere) {
    auto top = Install("top", 30);
    auto middle = Install("middle", 20);
    auto bottom = Install("bottom", 10);
    Listen();
    top->reaction = [](ScriptedWorkflow&, const workflow::Msg& m) { return Consumes("MsgMouseMove", m); };
    middle->reaction = [](ScriptedWorkflow&, const workflow::Msg& m) { return Consumes("MsgMouseWheel", m); };
    bottom->reaction = [](ScriptedWorkflow&, const workflow::Msg& m) { return Consumes("MsgReset", m); };

    EXPECT_EQ(Send(ConstStrings::MsgMouseMove),
              (std::vector<std::string>{"1:MsgMouseMove", "1:offer top@30 consumed",
                                        "1:end MsgMouseMove consumed"}));
    EXPECT_EQ(Send(ConstStrings::MsgMouseWheel),
              (std::vector<std::string>{"1:MsgMouseWheel", "1:offer top@30 declined",
                                        "1:offer middle@20 consumed", "1:end MsgMouseWheel consumed"}));
    EXPECT_EQ(Send(ConstStrings::MsgReset),
              (std::vector<std::string>{"1:MsgReset", "1:offer top@30 declined", "1:offer middle@20 declined",
                                        "1:offer bottom@10 consumed", "1:end MsgReset consumed"}));
    EXPECT_EQ(
        Send(ConstStrings::MsgMouseLeave),
        (std::vector<std::string>{"1:MsgMouseLeave", "1:offer top@30 declined", "1:offer middle@20 declined",
                                  "1:offer bottom@10 declined", "1:end MsgMouseLeave unconsumed"}));
}

TEST_F(Routing, ADispatchFromAHandlerOrAnAnnouncementIsOneLevelDeeper) {
    auto top = Install("top", 30);
    auto bottom = Install("bottom", 10);
    Listen();
    top->reaction = [](ScriptedWorkflow& self, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            self.SendMessage(workflow::MouseMsg(ConstStrings::MsgMouseWheel, 1, 2));
        }
        return false;
    };
    bottom->reaction = [](ScriptedWorkflow&, const workflow::Msg& m) { return Consumes("MsgMouseWheel", m); };
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove),
              (std::vector<std::string>{"1:MsgMouseMove", "2:MsgMouseWheel", "2:offer top@30 declined",
                                        "2:offer bottom@10 consumed", "2:end MsgMouseWheel consumed",
                                        "1:offer top@30 declined", "1:offer bottom@10 declined",
                                        "1:end MsgMouseMove unconsumed"}));

    // An installation announces itself to the stack, the new workflow first; linking it asks for a status
    // pass.
    router->steps.clear();
    Install("new", 20);
    EXPECT_EQ(router->steps, (std::vector<std::string>{
                                 "1:MsgWorkflowChanged", "1:offer top@30 declined", "1:offer new@20 declined",
                                 "1:offer bottom@10 declined", "1:end MsgWorkflowChanged unconsumed",
                                 "1:MsgUpdateStatusBar", "1:offer top@30 declined", "1:offer new@20 declined",
                                 "1:offer bottom@10 declined", "1:end MsgUpdateStatusBar unconsumed"}));
}

TEST_F(Routing, ClaimTakenAloneOrFallingBackToTheWalkWhenTheClaimantThrows) {
    Install("high", 20);
    auto claimant = Install("claimant", 10);
    du::Symbol names[] = {ConstStrings::MsgMouseMove};
    ASSERT_TRUE(claimant->SetExclusive(names, 1));
    EXPECT_TRUE(manager->HoldsExclusive(claimant));
    Listen();
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove),
              (std::vector<std::string>{"1:MsgMouseMove", "1:claim claimant@10 declined",
                                        "1:end MsgMouseMove unconsumed"}));
    claimant->reaction = [](ScriptedWorkflow&, const workflow::Msg&) { return true; };
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove),
              (std::vector<std::string>{"1:MsgMouseMove", "1:claim claimant@10 consumed",
                                        "1:end MsgMouseMove consumed"}));
    // Names without a claim go the walk.
    EXPECT_EQ(Send(ConstStrings::MsgReset)[1], "1:offer high@20 declined");

    testing::internal::CaptureStderr();
    claimant->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool {
        throw std::runtime_error("claim lost");
    };
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove),
              (std::vector<std::string>{"1:MsgMouseMove", "1:claim claimant@10 threw(claim lost)",
                                        "1:offer high@20 declined", "1:offer claimant@10 threw(claim lost)",
                                        "1:end MsgMouseMove unconsumed"}));
    // Whatever is thrown, the log says something of it.
    claimant->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool { throw 42; };
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove)[1], "1:claim claimant@10 threw(an exception of unknown type)");
    claimant->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool { throw "plain text"; };
    EXPECT_EQ(Send(ConstStrings::MsgMouseMove)[1], "1:claim claimant@10 threw(plain text)");
    // The manager's own report of each exception is unchanged.
    const std::string line =
        "Exception handling workflow message \"MsgMouseMove\" with workflow \"claimant\"\n";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), line + line + line + line + line + line);
}

TEST_F(Routing, WorkflowsRemovedBelowTheWalkAreReportedSkipped) {
    auto a = Install("a", 50);
    Install("b", 40);
    auto c = Install("c", 30);
    auto d = Install("d", 10);
    Listen();
    // a removes c and d, installs one workflow below itself (offered) and one above (not offered).
    a->reaction = [&](ScriptedWorkflow& self, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            self.RemoveWorkflow(c);
            self.AddWorkflow(du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("below", 45, &log)));
            self.AddWorkflow(du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("above", 60, &log)));
            self.RemoveWorkflow(d);
        }
        return false;
    };
    const std::vector<std::string> steps = Send(ConstStrings::MsgMouseMove);
    EXPECT_EQ(router->Outer(),
              (std::vector<std::string>{"1:MsgMouseMove", "1:offer a@50 declined", "1:skip c@30",
                                        "1:skip d@10", "1:offer below@45 declined", "1:offer b@40 declined",
                                        "1:end MsgMouseMove unconsumed"}));
    // The four announcements ran inside the handler, between the dispatch's start and a's answer.
    const auto answered = std::find(steps.begin(), steps.end(), "1:offer a@50 declined");
    EXPECT_EQ(std::count(steps.begin(), answered, "2:MsgWorkflowChanged"), 4);

    // A workflow removed while being called is offered, not skipped.
    a->reaction = [](ScriptedWorkflow& self, const workflow::Msg&) {
        self.Complete(true);
        return false;
    };
    Send(ConstStrings::MsgReset);
    EXPECT_EQ(router->Outer(),
              (std::vector<std::string>{"1:MsgReset", "1:offer above@60 declined", "1:offer a@50 declined",
                                        "1:offer below@45 declined", "1:offer b@40 declined",
                                        "1:end MsgReset unconsumed"}));
}

TEST_F(Routing, UnwantedEscapeReportsTheDismissalBeforeItsAnnouncement) {
    const unsigned int temporary = rzk::WorkflowManager::MAX_STATIC_PRIORITY + 1;
    Install("static", rzk::WorkflowManager::MAX_STATIC_PRIORITY);
    Install("temporary", temporary);
    Listen();
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgKeyPress, '\x1b'));
    const std::string top = "temporary@" + std::to_string(temporary);
    const std::string base = "static@" + std::to_string(rzk::WorkflowManager::MAX_STATIC_PRIORITY);
    EXPECT_EQ(router->steps,
              (std::vector<std::string>{
                  "1:MsgKeyPress", "1:offer " + top + " declined", "1:offer " + base + " declined",
                  "1:escape " + top, "2:MsgWorkflowChanged", "2:offer " + base + " declined",
                  "2:end MsgWorkflowChanged unconsumed", "1:end MsgKeyPress unconsumed"}));
}

TEST_F(Routing, InterruptingInputReportsTheAnimationsItCancelsFirst) {
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<dom::ManagedObject> module{new testing_support::PluginObserver};
    ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));
    ASSERT_TRUE(module->ManageObject(manager));
    Install("only", 10);
    manager->CreateAnimationEvent(false);
    manager->CreateAnimationEvent(true);
    Listen();
    EXPECT_EQ(Send(ConstStrings::MsgMouseLeftDown),
              (std::vector<std::string>{"1:MsgMouseLeftDown", "1:cancel 2", "1:offer only@10 declined",
                                        "1:end MsgMouseLeftDown unconsumed"}));
    // Nothing is left to cancel.
    EXPECT_EQ(Send(ConstStrings::MsgMouseLeftDown).size(), 3u);
    manager->Destroy();
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
}

TEST_F(Routing, ObserversMayLeaveMidDispatchAndAreReleasedOnlyAfterTheirCallback) {
    Install("top", 20);
    Install("bottom", 10);
    int destroyed = 0;
    du::SmartPtr<Router> leaver(new Router(&destroyed));
    Router* raw = leaver.Get();
    manager->RegisterRoutingObserver(leaver);
    Listen();
    // The leaver holds the only reference left; it deregisters itself on the first offer.
    leaver->onStep = [&](const RoutingStep& step) {
        if (step.kind == RoutingStep::Kind::Offered) {
            manager->DeregisterRoutingObserver(du::SmartPtr<workflow::RoutingObserver>(raw));
            EXPECT_EQ(destroyed, 0);
            EXPECT_EQ(raw->steps.size(), 2u);  // still alive: ASan would object
        }
    };
    leaver = nullptr;
    EXPECT_EQ(Send(ConstStrings::MsgReset).size(), 4u);  // the other observer hears the whole dispatch
    EXPECT_EQ(destroyed, 1);

    // The last observer leaving mid-dispatch: the dispatch goes on unlogged, the next is not logged at all.
    router->onStep = [&](const RoutingStep& step) {
        if (step.kind == RoutingStep::Kind::Offered) {
            manager->DeregisterRoutingObserver(router);
        }
    };
    EXPECT_EQ(Send(ConstStrings::MsgReset),
              (std::vector<std::string>{"1:MsgReset", "1:offer top@20 declined"}));
    EXPECT_TRUE(Send(ConstStrings::MsgReset).empty());
    // Registered again, it hears dispatches from the outermost depth again.
    router->onStep = nullptr;
    manager->RegisterRoutingObserver(router);
    EXPECT_EQ(Send(ConstStrings::MsgReset).front(), "1:MsgReset");
}

}  // namespace
