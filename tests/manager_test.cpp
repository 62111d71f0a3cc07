// The workflow manager: the stack and the dispatch through it (order, re-entrancy, exclusive claims, error
// containment, the unhandled-Escape rule) and its services (installation by name, cursor and status bar,
// observers, notifications, queries, tracing control and the message interface).
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "animation/AnimationModule.h"
#include "animation/Engine.h"
#include "dom/MessageQueue.h"
#include "dom/Observer.h"
#include "manager/MessageInterface.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/WorkflowChangedMsg.h"
#include "observers/AnimationEvent.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/WorkflowManagerObserver.h"
#include "rzloader/Loader.h"
#include "support/MessageLog.h"
#include "support/RecordText.h"
#include "support/RecordingObservers.h"
#include "support/RecordingWorkflow.h"
#include "support/RemoteScript.h"

namespace {

using testing_support::CallLog;
using testing_support::NotificationCall;
using testing_support::PluginObserver;
using testing_support::RecordingManagerObserver;
using testing_support::RecordingNotificationObserver;
using testing_support::RecordingWorkflow;
using testing_support::ScriptedWorkflow;
using workflow::ConstStrings;

class Dispatch : public ::testing::Test {
protected:
    CallLog log;  // first: the manager's teardown still writes to it
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<RecordingManagerObserver> observer{new RecordingManagerObserver};

    void SetUp() override {
        manager->RegisterObserver(observer);
        EXPECT_EQ(observer->calls, (std::vector<std::string>{"registered"}));
        observer->calls.clear();
    }

    du::SmartPtr<ScriptedWorkflow> Install(const char* name, unsigned int priority,
                                           int* destroyed = nullptr) {
        du::SmartPtr<ScriptedWorkflow> workflow(new ScriptedWorkflow(name, priority, &log, destroyed));
        manager->InstallWorkflow(workflow);
        return workflow;
    }

    bool Send(const du::Symbol& name) {
        log.clear();
        return manager->DispatchMessage(workflow::MouseMsg(name, 1, 2));
    }

    static bool ConsumeMoves(ScriptedWorkflow&, const workflow::Msg& message) {
        return message.GetName() == ConstStrings::MsgMouseMove;
    }
};

TEST_F(Dispatch, EmptyStackConsumesNothingAndIgnoresEscape) {
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
    EXPECT_FALSE(manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgKeyPress, '\x1b')));
}

TEST_F(Dispatch, HighestPriorityIsAskedFirstAndConsumptionEndsTheWalk) {
    auto low = Install("low", 10);
    auto high = Install("high", 20);
    high->reaction = ConsumeMoves;
    low->reaction = ConsumeMoves;
    EXPECT_TRUE(Send(ConstStrings::MsgMouseMove));
    EXPECT_EQ(log, (CallLog{"high:MsgMouseMove"}));
    EXPECT_FALSE(Send(ConstStrings::MsgMouseLeftDown));
    EXPECT_EQ(log, (CallLog{"high:MsgMouseLeftDown", "low:MsgMouseLeftDown"}));
}

TEST_F(Dispatch, PrioritiesCompareAsUnsignedNumbers) {
    Install("top", 0xFFFFFFFFu);
    Install("bottom", 0);
    Install("middle", 0x80000000u);
    Send(ConstStrings::MsgReset);
    EXPECT_EQ(log, (CallLog{"top:MsgReset", "middle:MsgReset", "bottom:MsgReset"}));
}

TEST_F(Dispatch, ReplacingAtAnOccupiedPriorityRemovesTheOldOneSilently) {
    int destroyed = 0;
    Install("old", 10, &destroyed);
    Install("watcher", 5);
    log.clear();
    observer->calls.clear();
    Install("new", 10);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(log, (CallLog{"old:OnRemove", "new:MsgWorkflowChanged", "watcher:MsgWorkflowChanged",
                            "new:MsgUpdateStatusBar", "watcher:MsgUpdateStatusBar", "new:OnAdd"}));
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"old>new@10 ok"}));
}

TEST_F(Dispatch, AnnouncedRemovalIsNotHeardByTheRemovedWorkflow) {
    auto removed = Install("removed", 20);
    Install("stays", 10);
    log.clear();
    manager->RemoveWorkflowByPriority(20);
    EXPECT_EQ(removed->GetManager(), nullptr);
    EXPECT_EQ(log, (CallLog{"removed:OnRemove", "stays:MsgWorkflowChanged", "stays:MsgUpdateStatusBar"}));
    EXPECT_EQ(observer->calls.back(), "removed>@20 ok");
}

TEST_F(Dispatch, ThrowingHandlerIsReportedOnceTheWalkGoesOnAndTheFailureIsKeptUntilTaken) {
    auto thrower = Install("thrower", 20);
    Install("below", 10)->SetPersistent(true);
    thrower->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool {
        throw std::runtime_error("boom");
    };
    const std::string reportLine =
        "Exception handling workflow message \"MsgMouseMove\" with workflow \"thrower\"";
    testing::internal::CaptureStderr();
    manager->Tap().Record(workflow::FlightRecord::Move(1, 2));
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
    EXPECT_EQ(log, (CallLog{"thrower:MsgMouseMove", "below:MsgMouseMove"}));
    std::vector<workflow::CrashSnapshot> snapshots = manager->TakeCrashSnapshots();
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_EQ(testing_support::RecordTexts(snapshots[0].input).back(), "Move 1 2 @0");
    EXPECT_EQ(snapshots[0].exceptionLine, reportLine);
    EXPECT_EQ(snapshots[0].exceptionText, "boom");
    ASSERT_EQ(snapshots[0].workflows.size(), 2u);
    const auto& top = snapshots[0].workflows[0];
    const auto& bottom = snapshots[0].workflows[1];
    EXPECT_EQ(std::tie(top.priority, top.name, top.persistent), std::make_tuple(20u, "thrower", false));
    EXPECT_EQ(std::tie(bottom.priority, bottom.name, bottom.persistent), std::make_tuple(10u, "below", true));
    EXPECT_LT(top.order, bottom.order);  // installed first
    EXPECT_TRUE(manager->TakeCrashSnapshots().empty());

    // Only the newest are kept.
    for (int i = 0; i < 10; ++i) {
        manager->Tap().Record(workflow::FlightRecord::Move(i, 0));
        Send(ConstStrings::MsgMouseMove);
    }
    snapshots = manager->TakeCrashSnapshots();
    ASSERT_EQ(snapshots.size(), workflow::WorkflowManagerImpl::MAX_CRASH_SNAPSHOTS);
    EXPECT_EQ(testing_support::RecordTexts(snapshots.front().input).back(), "Move 2 0 @0");
    EXPECT_EQ(testing_support::RecordTexts(snapshots.back().input).back(), "Move 9 0 @0");
    // A claimant that throws fails on the claim and again on the walk that follows: reported twice, but
    // one failure, so one snapshot.
    du::Symbol claimed[] = {ConstStrings::MsgMouseMove};
    ASSERT_TRUE(thrower->SetExclusive(claimed, 1));
    Send(ConstStrings::MsgMouseMove);
    EXPECT_EQ(manager->TakeCrashSnapshots().size(), 1u);
    // With the recorder off a failure is still kept, for the host to see, without input.
    manager->SetFlightRecorderCapacity(0);
    Send(ConstStrings::MsgMouseMove);
    snapshots = manager->TakeCrashSnapshots();
    ASSERT_EQ(snapshots.size(), 1u);
    EXPECT_FALSE(snapshots[0].input.recording);
    EXPECT_TRUE(snapshots[0].input.records.empty());
    EXPECT_EQ(snapshots[0].exceptionText, "boom");
    const std::string reported = testing::internal::GetCapturedStderr();
    EXPECT_EQ(reported.substr(0, reportLine.size() + 1), reportLine + "\n");
    EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 15);
}

TEST_F(Dispatch, FlightRecorderKeepsEveryChangeOfTheStackWhoeverMadeIt) {
    auto escaping = [](ScriptedWorkflow&, const workflow::Msg&) { return false; };
    Install("below", 10);
    auto temporary = Install("measure", rzk::WorkflowManager::MAX_STATIC_PRIORITY + 1);
    temporary->reaction = escaping;
    manager->SetWorkflowPersistent(10, true);
    manager->SetWorkflowPersistent(10, true);  // no change, nothing kept
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgKeyPress, '\x1b'));
    const std::string measure = std::to_string(rzk::WorkflowManager::MAX_STATIC_PRIORITY + 1);
    EXPECT_EQ(
        testing_support::RecordTexts(manager->ExportRecording()),
        (std::vector<std::string>{"Installed below 10 off @0", "Installed measure " + measure + " off @0",
                                  "Persisted below 10 on @0", "Removed measure " + measure + " off @0"}));
}

TEST_F(Dispatch, CompleteDestroysOnlyAfterTheRemovalReturned) {
    int destroyed = 0;
    ScriptedWorkflow* raw = nullptr;
    {
        auto w = Install("done", 20, &destroyed);
        raw = w.Get();
        w->SetPersistent(true);
    }
    raw->Complete(false);  // persistent: stays
    EXPECT_EQ(manager->FindWorkflow(20), du::Symbol("done"));
    observer->calls.clear();
    raw->Complete(true);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"done>@20 ok"}));
}

TEST_F(Dispatch, ExclusiveClaimsAreAllOrNothingAndDieWithTheWorkflow) {
    auto first = Install("first", 10);
    auto second = Install("second", 20);
    du::Symbol one[] = {ConstStrings::MsgMouseMove};
    du::Symbol both[] = {ConstStrings::MsgMouseWheel, ConstStrings::MsgMouseMove};
    EXPECT_TRUE(first->SetExclusive(one, 1));
    EXPECT_FALSE(second->SetExclusive(both, 2));
    EXPECT_FALSE(manager->HoldsExclusive(second));
    EXPECT_TRUE(second->SetExclusive(both, 0));  // claims nothing
    EXPECT_TRUE(first->SetExclusive(both, 2));   // its own claim stays, the new one is added

    second->reaction = [&](ScriptedWorkflow& self, const workflow::Msg& message) {
        // Claiming mid-dispatch takes effect for the next message.
        if (message.GetName() == ConstStrings::MsgReset && first) {
            self.RemoveWorkflow(first);
            first = nullptr;
            du::Symbol reset[] = {ConstStrings::MsgReset};
            EXPECT_TRUE(self.SetExclusive(reset, 1));
        }
        return false;
    };
    Send(ConstStrings::MsgReset);
    EXPECT_EQ(manager->FindWorkflow(10), du::Symbol::EMPTY);
    // The removed workflow's claims went with it: its names are free again.
    EXPECT_TRUE(second->SetExclusive(both, 2));
    second->UnsetExclusive();
    du::Symbol reset[] = {ConstStrings::MsgReset};
    EXPECT_TRUE(second->SetExclusive(reset, 1));
    Install("third", 30);
    Send(ConstStrings::MsgReset);
    EXPECT_EQ(log, (CallLog{"second:MsgReset"}));
    Send(ConstStrings::MsgMouseMove);
    EXPECT_EQ(log.front(), "third:MsgMouseMove");
}

TEST_F(Dispatch, UnhandledEscapeDismissesOnlyATemporaryTopWorkflow) {
    const unsigned int temporary = rzk::WorkflowManager::MAX_STATIC_PRIORITY + 1;
    Install("static", rzk::WorkflowManager::MAX_STATIC_PRIORITY);
    auto top = Install("temporary", temporary);
    const workflow::KeyMsg escape(ConstStrings::MsgKeyPress, '\x1b');

    top->reaction = [](ScriptedWorkflow&, const workflow::Msg&) { return true; };
    EXPECT_TRUE(manager->DispatchMessage(escape));
    EXPECT_TRUE(manager->GetWorkflow(temporary));  // consumed: nobody is dismissed

    top->reaction = nullptr;
    EXPECT_FALSE(manager->DispatchMessage(
        workflow::KeyMsg(ConstStrings::MsgKeyPress, std::string("\x1b\x1b"), false, false, false)));
    EXPECT_TRUE(manager->GetWorkflow(temporary));  // not exactly one byte 27
    // Any message class may travel under the key press's name; only a KeyMsg has a key to read.
    EXPECT_FALSE(manager->DispatchMessage(workflow::Msg(ConstStrings::MsgKeyPress)));
    EXPECT_FALSE(manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgKeyPress, 27, 27)));
    EXPECT_TRUE(manager->GetWorkflow(temporary));
    const workflow::KeyMsg copied(escape);
    EXPECT_FALSE(manager->DispatchMessage(copied));
    EXPECT_FALSE(manager->GetWorkflow(temporary));
    EXPECT_EQ(observer->calls.back(), "temporary>@" + std::to_string(temporary) + " ok");
    EXPECT_FALSE(manager->DispatchMessage(escape));
    EXPECT_TRUE(manager->GetWorkflow(rzk::WorkflowManager::MAX_STATIC_PRIORITY));
}

TEST_F(Dispatch, DestroyRemovesEveryWorkflowSilentlyHighestFirstAndTheEmptiedManagerTakesNoMore) {
    Install("one", 1);
    Install("three", 3);
    Install("two", 2);
    log.clear();
    observer->calls.clear();
    manager->Destroy();
    EXPECT_EQ(log, (CallLog{"three:OnRemove", "two:OnRemove", "one:OnRemove"}));
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"destroyed"}));
    EXPECT_TRUE(manager->GetCurrentCursor().IsNull());

    // Neither by name nor from the workflow's own installation: not announced, added nor reported.
    observer->calls.clear();
    log.clear();
    manager->AddWorkflowAtPriority("x", 5, false);
    const auto late = Install("late", 4);
    EXPECT_FALSE(manager->GetWorkflow(4));
    EXPECT_EQ(late->GetManager(), nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(observer->calls.empty());
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
}

TEST_F(Dispatch, WorkflowBackFromItsOwnOnRemoveStaysLinkedAndDestroyStillEnds) {
    const auto returning = Install("returning", 5);
    returning->onRemove = [](ScriptedWorkflow& self) {
        self.AddWorkflow(du::SmartPtr<workflow::Workflow>(&self));
    };
    manager->RemoveWorkflowByPriority(5);
    EXPECT_EQ(manager->GetWorkflow(5), returning);
    EXPECT_EQ(returning->GetManager(), manager.Get());  // not left in the stack without its manager

    // Destroy lets it back in once, as any workflow installed during the teardown: reported, announced
    // and added, then removed in turn. The second time it is refused, so the teardown ends.
    log.clear();
    observer->calls.clear();
    manager->Destroy();
    EXPECT_FALSE(manager->GetWorkflow(5));
    EXPECT_EQ(returning->GetManager(), nullptr);
    EXPECT_EQ(log, (CallLog{"returning:OnRemove", "returning:MsgWorkflowChanged",
                            "returning:MsgUpdateStatusBar", "returning:OnAdd", "returning:OnRemove"}));
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"destroyed", ">returning@5 ok"}));
}

// A workflow installed from a removed workflow's OnRemove during Destroy is not dropped: it is installed and
// removed like the rest, below or above the one that installed it. (Destroy used to refuse it silently.)
TEST_F(Dispatch, DestroyInstallsWhatARemovedWorkflowInstallsAndRemovesItInTurn) {
    const auto leaving = Install("leaving", 30);
    Install("base", 10);
    leaving->onRemove = [this](ScriptedWorkflow& self) {
        self.AddWorkflow(du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("heir", 20, &log)));
        self.AddWorkflow(
            du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("heir", 40, &log)));  // same name
    };
    log.clear();
    observer->calls.clear();
    manager->Destroy();
    EXPECT_EQ(log, (CallLog{"leaving:OnRemove", "heir:MsgWorkflowChanged", "base:MsgWorkflowChanged",
                            "heir:MsgUpdateStatusBar", "base:MsgUpdateStatusBar", "heir:OnAdd",
                            "heir:OnRemove", "base:OnRemove"}));
    EXPECT_EQ(observer->calls, (std::vector<std::string>{"destroyed", ">heir@20 ok"}));
    EXPECT_TRUE(manager->GetStack().Empty());
}

TEST_F(Dispatch, ReplacedWorkflowThatDestroysTheManagerLetsNothingIn) {
    const auto replaced = Install("replaced", 5);
    replaced->onRemove = [](ScriptedWorkflow& self) { self.GetManager()->Destroy(); };
    const auto newcomer = Install("newcomer", 5);
    EXPECT_FALSE(manager->GetWorkflow(5));
    EXPECT_EQ(newcomer->GetManager(), nullptr);
    EXPECT_EQ(replaced->GetManager(), nullptr);
    EXPECT_TRUE(manager->GetCurrentCursor().IsNull());
}

TEST_F(Dispatch, RemovedWorkflowIsDestroyedAsSoonAsNoHandlerOfItRuns) {
    int destroyedLow = 0;
    int destroyedSelf = 0;
    int destroyedOuter = 0;
    auto top = Install("top", 40);
    Install("low", 10, &destroyedLow);
    Install("self", 30, &destroyedSelf);
    Install("outer", 20, &destroyedOuter);
    auto* self = static_cast<ScriptedWorkflow*>(manager->GetWorkflow(30).Get());
    auto* outer = static_cast<ScriptedWorkflow*>(manager->GetWorkflow(20).Get());
    CallLog seen;
    // top removes low, which runs no handler: it goes at once, not when the walk ends.
    top->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            me.RemoveWorkflow(manager->GetWorkflow(10));
            seen.push_back("low destroyed " + std::to_string(destroyedLow));
        }
        return false;
    };
    // self completes itself: alive until its handler returns, gone before the next workflow is asked.
    self->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            me.Complete(true);
            seen.push_back("self destroyed " + std::to_string(destroyedSelf));
        }
        return false;
    };
    // outer sends a message during which top removes outer: outer survives the nested walk and goes when
    // its own handler returns, still within the outer walk.
    outer->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            seen.push_back("self destroyed " + std::to_string(destroyedSelf));
            top->reaction = [&](ScriptedWorkflow& t, const workflow::Msg& inner) {
                if (inner.GetName() == ConstStrings::MsgReset) {
                    t.RemoveWorkflow(manager->GetWorkflow(20));
                }
                return false;
            };
            me.SendMessage(workflow::Msg(ConstStrings::MsgReset));
            seen.push_back("outer destroyed " + std::to_string(destroyedOuter));
        }
        return false;
    };
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
    EXPECT_EQ(seen,
              (CallLog{"low destroyed 1", "self destroyed 0", "self destroyed 1", "outer destroyed 0"}));
    EXPECT_EQ(destroyedOuter, 1);
    EXPECT_TRUE(manager->GetWorkflow(40));
    EXPECT_FALSE(manager->GetWorkflow(30) || manager->GetWorkflow(20) || manager->GetWorkflow(10));
}

TEST_F(Dispatch, WorkflowRemovedDuringItsOwnAnnouncementIsNeverLinked) {
    // Removed by another workflow that hears the announcement.
    auto remover = Install("remover", 5);
    remover->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
        if (message.GetName() != ConstStrings::MsgWorkflowChanged) {
            return false;
        }
        const auto& changed = static_cast<const workflow::WorkflowChangedMsg&>(message);
        if (changed.GetAdd() && changed.GetWorkflow()->GetWorkflowName() == du::Symbol("doomed")) {
            me.RemoveWorkflow(changed.GetWorkflow());
        }
        return false;
    };
    int destroyed = 0;
    du::SmartPtr<ScriptedWorkflow> doomed(new ScriptedWorkflow("doomed", 20, &log, &destroyed));
    log.clear();
    manager->InstallWorkflow(doomed);
    EXPECT_EQ(doomed->GetManager(), nullptr);
    EXPECT_FALSE(manager->GetWorkflow(20));
    EXPECT_EQ(std::count(log.begin(), log.end(), "doomed:OnAdd"), 0);
    EXPECT_EQ(std::count(log.begin(), log.end(), "doomed:OnRemove"), 1);
    EXPECT_EQ(observer->calls, (std::vector<std::string>{">remover@5 ok", ">doomed@20 ok", "doomed>@20 ok"}));

    // Removing itself on hearing its announcement, then installing itself again: linked exactly once.
    du::SmartPtr<ScriptedWorkflow> again(new ScriptedWorkflow("again", 30, &log));
    bool bounced = false;
    again->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgWorkflowChanged && !bounced) {
            bounced = true;
            workflow::WorkflowManagerImpl* owner = manager.Get();
            me.RemoveWorkflow(du::SmartPtr<workflow::Workflow>(&me));  // no manager link yet: does nothing
            owner->RemoveWorkflowByPriority(30);
            owner->InstallWorkflow(du::SmartPtr<workflow::Workflow>(&me));
        }
        return false;
    };
    log.clear();
    manager->InstallWorkflow(again);
    EXPECT_EQ(std::count(log.begin(), log.end(), "again:OnAdd"), 1);
    EXPECT_EQ(again->GetManager(), manager.Get());

    // The unlinked workflow outlives its manager safely.
    manager->Destroy();
    manager = nullptr;
    doomed->Complete(true);
    EXPECT_EQ(doomed->GetManager(), nullptr);
}

TEST_F(Dispatch, PriorityRefilledDuringReplacementIsReplacedByTheNewestInstallation) {
    auto old = Install("old", 10);
    du::SmartPtr<ScriptedWorkflow> refiller(new ScriptedWorkflow("refiller", 10, &log));
    // Each workflow below refills its priority once, when it is replaced.
    auto refillOnce = [&](ScriptedWorkflow& replaced) {
        if (replaced.GetWorkflowName() != du::Symbol("refiller")) {
            manager->InstallWorkflow(refiller);
        }
    };
    old->onRemove = refillOnce;
    observer->calls.clear();
    auto newest = Install("newest", 10);
    EXPECT_EQ(manager->GetWorkflow(10).Get(), newest.Get());
    EXPECT_EQ(newest->GetManager(), manager.Get());
    EXPECT_EQ(refiller->GetManager(), nullptr);
    EXPECT_EQ(old->GetManager(), nullptr);
    // The reports tell the stack's story: the refiller filled the freed priority, the newest replaced it.
    EXPECT_EQ(observer->calls, (std::vector<std::string>{">refiller@10 ok", "refiller>newest@10 ok"}));

    // The same through installation by name at an explicit priority.
    newest->onRemove = refillOnce;
    du::SmartPtr<rzk::View> view(new rzk::ShapeView);
    manager->SetView(view);
    du::SmartPtr<rzloader::Loader> loader(new rzloader::Loader);
    rzloader::Loader::SetLoader(loader);
    loader->RegisterFactory(view->GetViewType(), "workflow", "byname", [] {
        return du::SmartPtr<du::RefCounted>(new ScriptedWorkflow("byname", 0, nullptr));
    });
    observer->calls.clear();
    manager->AddWorkflowAtPriority("byname", 10, false);
    EXPECT_EQ(manager->FindWorkflow(10), du::Symbol("byname"));
    EXPECT_EQ(refiller->GetManager(), nullptr);
    EXPECT_EQ(observer->calls, (std::vector<std::string>{">refiller@10 ok", "refiller>byname@10 ok"}));
    rzloader::Loader::SetLoader(nullptr);
}

// A workflow that writes a status field and asks for a cursor, as an interaction mode would.
class StatusWorkflow : public RecordingWorkflow {
public:
    StatusWorkflow(const char* name, int field, std::string text)
        : RecordingWorkflow(name), field_(field), text_(std::move(text)) {
        AddMsgTypeHandled(ConstStrings::MsgUpdateStatusBar, true);
    }
    bool OnMsgUpdateStatusBar() override {
        accepted.push_back(SetStatusMessage(field_, text_));
        if (nested) {
            UpdateStatusMessage();  // a nested pass must do nothing
        }
        return false;
    }
    std::vector<bool> accepted;
    bool nested = false;

private:
    int field_;
    std::string text_;
};

class Services : public ::testing::Test {
protected:
    du::SmartPtr<rzk::View> view{new rzk::ShapeView};
    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzloader::Loader> loader{new rzloader::Loader};
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<RecordingManagerObserver> observer{new RecordingManagerObserver};
    int made = 0;

    void SetUp() override {
        view->SetWindow(window);
        manager->SetView(view);
        manager->RegisterObserver(observer);
        const du::Symbol category("workflow");
        loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, category, "nav", [this] {
            ++made;
            du::SmartPtr<workflow::Workflow> w(new RecordingWorkflow("nav"));
            w->SetPriority(50);
            return du::SmartPtr<du::RefCounted>(w.Get());
        });
        loader->RegisterFactory(rzk::ShapeView::ACTOR_TYPE, category, "select",
                                [] { return du::SmartPtr<du::RefCounted>(new RecordingWorkflow("select")); });
        loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, category, "not-a-workflow",
                                [] { return du::SmartPtr<du::RefCounted>(new rzk::Window); });
        rzloader::Loader::SetLoader(loader);
        observer->calls.clear();
    }
    void TearDown() override {
        rzloader::Loader::SetLoader(nullptr);
        manager->Destroy();
    }

    std::vector<std::string> Changes() { return std::exchange(observer->calls, {}); }
};

TEST_F(Services, InstallationByNameLoadsReplacesAndReportsFailures) {
    manager->AddWorkflow("nav", true);  // its own priority, 50
    EXPECT_EQ(manager->FindWorkflow(50), du::Symbol("nav"));
    EXPECT_TRUE(manager->GetWorkflow(50)->GetPersistent());
    EXPECT_EQ(Changes(), (std::vector<std::string>{">nav@50 ok"}));

    // The same name at the same priority reloads nothing.
    manager->AddWorkflowAtPriority("nav", 50, false);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(Changes().empty());

    manager->AddWorkflowAtPriority("select", 50, false);
    EXPECT_EQ(Changes(), (std::vector<std::string>{"nav>select@50 ok"}));
    EXPECT_EQ(manager->GetWorkflow(50)->GetPriority(), 50u);

    // A name the loader cannot make: the replaced workflow stays removed.
    manager->AddWorkflowAtPriority("missing", 50, false);
    EXPECT_EQ(manager->FindWorkflow(50), du::Symbol::EMPTY);
    EXPECT_EQ(Changes(), (std::vector<std::string>{">missing@0 failed couldn't load workflow"}));
    // Another class: silently ignored.
    manager->AddWorkflow("not-a-workflow", false);
    EXPECT_TRUE(Changes().empty());

    manager->AddWorkflow(du::Symbol(), false);
    manager->AddWorkflowAtPriority(du::Symbol(), 0xFFFFFFFFu, false);
    manager->RemoveWorkflowByName("nobody");
    manager->RemoveWorkflowByPriority(0);
    manager->SetWorkflowPersistent(7, true);
    EXPECT_EQ(Changes(), (std::vector<std::string>{
                             ">@0 failed invalid workflow name",
                             ">@4294967295 failed There is no workflow at this priority.",
                             ">@0 failed There is no installed workflow with this name.",
                             ">@0 failed There is no workflow at this priority.",
                             ">@7 failed There is no workflow at this priority.",
                         }));

    // Without a loader every load fails.
    rzloader::Loader::SetLoader(nullptr);
    manager->AddWorkflow("nav", false);
    EXPECT_EQ(Changes(), (std::vector<std::string>{">nav@0 failed couldn't load workflow"}));
}

TEST_F(Services, HighestCursorRequestWinsAndTheWindowHearsOnlyChanges) {
    manager->SetMouseCursor(10, "A");
    manager->SetMouseCursor(20, "B");
    EXPECT_EQ(manager->GetCurrentCursor(), du::Symbol("B"));
    window->ClearCallLog();
    manager->SetMouseCursor(20, "B");
    manager->SetMouseCursor(5, "C");
    EXPECT_TRUE(window->GetCallLog().empty());
    manager->SetMouseCursor(20, du::Symbol());  // withdrawn
    EXPECT_EQ(manager->GetCurrentCursor(), du::Symbol("A"));
    EXPECT_EQ(window->GetCallLog(), (std::vector<std::string>{"ResetCursor", "SetCursor A"}));

    // "No cursor" at the top, with a filtering pick filter, shows "filtering_on" on every such call.
    view->SetPickFilter(du::SmartPtr<rzk::PickFilter>(new rzk::PickFilter(1)));
    window->ClearCallLog();
    manager->SetMouseCursor(rzk::WorkflowManager::PTR_NONE, "ignored");
    manager->SetMouseCursor(rzk::WorkflowManager::PTR_NONE, "ignored");
    EXPECT_TRUE(manager->GetCurrentCursor().IsNull());
    EXPECT_EQ(window->GetCallLog(), (std::vector<std::string>{"ResetCursor", "SetCursor filtering_on",
                                                              "ResetCursor", "SetCursor filtering_on"}));
    manager->SetCursorPosition(-3, 40);
    EXPECT_EQ(window->GetCallLog().back(), "SetCursorPosition -3 40");
}

TEST_F(Services, StatusPassComposesFieldsAndPushesAtMostEvery100Ticks) {
    du::SmartPtr<StatusWorkflow> high(new StatusWorkflow("high", 2, "two"));
    du::SmartPtr<StatusWorkflow> low(new StatusWorkflow("low", 2, "ignored"));
    du::SmartPtr<StatusWorkflow> zero(new StatusWorkflow("zero", 0, "zero"));
    high->SetPriority(30);
    low->SetPriority(20);
    zero->SetPriority(10);
    for (auto* w : {high.Get(), low.Get(), zero.Get()}) {
        manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(w));
    }
    EXPECT_TRUE(view->GetStatusMessages().empty());  // no tick yet: the text waits
    manager->HandleTimeoutEvent(1);
    EXPECT_EQ(view->GetStatusMessages(), (std::vector<std::string>{"zero   two"}));
    EXPECT_EQ(low->accepted.back(), false);  // the higher workflow took field 2

    manager->UpdateStatusMsg();  // within 100 units of the push: pending
    manager->HandleTimeoutEvent(101);
    EXPECT_EQ(view->GetStatusMessages().size(), 1u);
    manager->HandleTimeoutEvent(102);
    EXPECT_EQ(view->GetStatusMessages().size(), 2u);

    high->nested = true;
    const std::size_t passes = high->accepted.size();
    manager->UpdateStatusMsg();
    EXPECT_EQ(high->accepted.size(), passes + 1);  // the nested call started no pass
    EXPECT_FALSE(manager->SetStatusMessage(4, "x"));
    EXPECT_FALSE(manager->SetStatusMessage(-1, "x"));
}

// An observer that deregisters itself (and another) from inside its callback.
class LeavingObserver : public RecordingNotificationObserver {
public:
    workflow::WorkflowManagerImpl* manager = nullptr;
    du::SmartPtr<rzk::NotificationObserver> alsoRemove;
    void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        RecordingNotificationObserver::OnNotification(source, notification, value, data);
        manager->DeregisterNotificationObserver(du::SmartPtr<rzk::NotificationObserver>(this));
        manager->DeregisterNotificationObserver(alsoRemove);
    }
};

TEST_F(Services, ObserversCalledOncePerRegistrationAndNeverAfterDeregistration) {
    du::SmartPtr<RecordingNotificationObserver> twice(new RecordingNotificationObserver);
    du::SmartPtr<LeavingObserver> leaving(new LeavingObserver);
    du::SmartPtr<RecordingNotificationObserver> victim(new RecordingNotificationObserver);
    leaving->manager = manager.Get();
    leaving->alsoRemove = victim;
    manager->RegisterNotificationObserver(twice);
    manager->RegisterNotificationObserver(twice);
    manager->RegisterNotificationObserver(leaving);
    manager->RegisterNotificationObserver(victim);
    EXPECT_EQ(twice->registered, 2);

    du::SmartPtr<RecordingWorkflow> sender(new RecordingWorkflow("W"));
    manager->InstallWorkflow(sender);
    sender->SendNotification("N", 7, nullptr);
    EXPECT_EQ(twice->notifications.size(), 2u);
    EXPECT_EQ(leaving->notifications.size(), 1u);
    EXPECT_TRUE(victim->notifications.empty());
    EXPECT_EQ(twice->notifications[0], (NotificationCall{"W", "N", 7, nullptr}));

    sender->SendNotification("N", 8, nullptr);
    EXPECT_EQ(leaving->notifications.size(), 1u);
    manager->DeregisterNotificationObserver(twice);  // both registrations
    manager->DeregisterNotificationObserver(twice);  // not registered: no error
    sender->SendNotification("N", 9, nullptr);
    EXPECT_EQ(twice->notifications.size(), 4u);
}

// Leaves on its first notification; its destructor still has something to say.
class LastWordsObserver : public RecordingNotificationObserver {
public:
    workflow::WorkflowManagerImpl* manager = nullptr;
    ~LastWordsObserver() override { manager->SendNotification("gone", "last words", 0, nullptr); }
    void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        RecordingNotificationObserver::OnNotification(source, notification, value, data);
        manager->DeregisterNotificationObserver(du::SmartPtr<rzk::NotificationObserver>(this));
    }
};

TEST_F(Services, ObserverReleasedAfterAWalkMayWalkAgainFromItsDestructor) {
    // Four observers leave on the first notification. Releasing them after the walk runs their destructors,
    // whose last words make another observer leave while the four are still being released.
    struct LeavesOnLastWords : RecordingNotificationObserver {
        workflow::WorkflowManagerImpl* manager = nullptr;
        void OnNotification(const du::Symbol& source, const du::Symbol& notification, int value,
                            const du::SmartPtr<du::RefCounted>& data) override {
            RecordingNotificationObserver::OnNotification(source, notification, value, data);
            if (notification == du::Symbol("last words")) {
                manager->DeregisterNotificationObserver(du::SmartPtr<rzk::NotificationObserver>(this));
            }
        }
    };
    for (int i = 0; i < 4; ++i) {
        du::SmartPtr<LastWordsObserver> leaving(new LastWordsObserver);
        leaving->manager = manager.Get();
        manager->RegisterNotificationObserver(leaving);
    }
    du::SmartPtr<LeavesOnLastWords> second(new LeavesOnLastWords);
    second->manager = manager.Get();
    manager->RegisterNotificationObserver(second);
    du::SmartPtr<RecordingNotificationObserver> stays(new RecordingNotificationObserver);
    manager->RegisterNotificationObserver(stays);

    manager->SendNotification("W", "N", 1, nullptr);
    ASSERT_EQ(stays->notifications.size(), 5u);
    EXPECT_EQ(stays->notifications[0].notification, du::Symbol("N"));
    EXPECT_EQ(stays->notifications[4].notification, du::Symbol("last words"));
    EXPECT_EQ(second->notifications.size(), 2u);
    manager->SendNotification("W", "N", 2, nullptr);
    EXPECT_EQ(stays->notifications.size(), 6u);
    EXPECT_EQ(second->notifications.size(), 2u);
}

// A workflow keeping the default choice, and copies with a choice of their own, under both mouse routings:
// workflows_test's MouseRoutingPaths.
TEST_F(Services, TraceSwitchAndTheWorkflowsChoiceAreAskedEvenWithoutListeners) {
    struct Counting : RecordingWorkflow {
        Counting() : RecordingWorkflow("counting") {
            AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
            SetActive(true);
        }
        mutable int asked = 0;
        bool TraceMouseAndKeys() const override {
            ++asked;
            return true;
        }
    };
    du::SmartPtr<Counting> w(new Counting);
    manager->InstallWorkflow(w);
    const workflow::MouseMsg move(ConstStrings::MsgMouseMove, 1, 2);
    manager->DispatchMessage(move);
    manager->DispatchMessage(move);
    EXPECT_EQ(w->asked, 2);  // nobody listens, yet the workflow is asked every time
    manager->SetWorkflowTraceEnabled(false);
    manager->DispatchMessage(move);
    EXPECT_EQ(w->asked, 2);  // the switch comes first
    EXPECT_EQ(std::count(w->calls.begin(), w->calls.end(), "OnMsgMouseMove(1,2)"), 3);
}

// Which workflow answers is the every-operation script's (RemoteScript); here, a stack with nobody to ask.
TEST_F(Services, AQueryNobodyAnswersLeavesTheOutValuesAlone) {
    du::Symbol symbol("untouched");
    int number = -1;
    du::SmartPtr<du::RefCounted> object;
    EXPECT_FALSE(manager->QueryWorkflows(ConstStrings::QuerySelectionController, symbol, number, object));
    EXPECT_EQ(symbol, du::Symbol("untouched"));
    EXPECT_EQ(number, -1);
}

TEST_F(Services, MessageInterfaceIsHandedOutByTypeAndKeepsItsManager) {
    auto iface = du::DynamicPtrCast<workflow::MessageInterface>(
        manager->GetInternalInterface(workflow::InterfaceTypes::Message));
    ASSERT_TRUE(iface);
    const int before = manager->GetReferenceCount();
    {
        workflow::MessageInterface copy(*iface);
        workflow::MessageInterface assigned(nullptr);
        assigned = copy;
        const workflow::MessageInterface& itself = assigned;
        assigned = itself;
        EXPECT_EQ(manager->GetReferenceCount(), before + 2);
    }
    EXPECT_EQ(manager->GetReferenceCount(), before);
    // The manager runs on no queue here, so no thread is its own: the message is refused.
    EXPECT_FALSE(iface->SendMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 1, 1)));
}

// The manager on a queue pumped by this thread: the message interface dispatches here and nowhere else.
TEST(ManagerOnItsQueue, MessageInterfaceDispatchesOnlyOnTheManagersThread) {
    auto queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    ASSERT_TRUE(manager->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<RecordingWorkflow> w(new RecordingWorkflow("target", true));
    w->AddMsgTypeHandled(ConstStrings::MsgMouseMove, true);
    manager->InstallWorkflow(w);
    auto iface = du::DynamicPtrCast<workflow::MessageInterface>(
        manager->GetInternalInterface(workflow::InterfaceTypes::Message));
    const workflow::MouseMsg move(ConstStrings::MsgMouseMove, 4, 5);

    EXPECT_TRUE(iface->SendMessage(move));
    bool fromOtherThread = true;
    std::thread other([&] { fromOtherThread = iface->SendMessage(move); });
    other.join();
    EXPECT_FALSE(fromOtherThread);
    EXPECT_EQ(w->calls, (std::vector<std::string>{"OnMsgMouseMove(4,5)"}));

    // After Destroy the interface still holds the manager; the dispatch finds an empty stack.
    manager->Destroy();
    EXPECT_FALSE(iface->SendMessage(move));
    queue->ShutdownQueue(1);
}

TEST(ManagerOnItsQueue, PluginObserversAreKeptAndManagedOtherObjectsIgnored) {
    auto queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    ASSERT_TRUE(manager->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<PluginObserver> observer(new PluginObserver);
    du::SmartPtr<du::RefCounted> plain(new rzk::Window);
    manager->ManagePluginObserver(du::SmartPtr<du::RefCounted>(observer.Get()));
    manager->ManagePluginObserver(plain);
    manager->ManagePluginObserver(nullptr);
    EXPECT_EQ(observer->managed, 1);
    EXPECT_TRUE(observer->IsManagedByCurrentThread());
    EXPECT_EQ(plain->GetReferenceCount(), 1);
    manager->Destroy();  // releases the manager's reference and takes the observer off the queue
    queue->RunPending();
    EXPECT_FALSE(observer->IsManaged());
    EXPECT_EQ(observer->GetReferenceCount(), 1);
    queue->ShutdownQueue(1);
}

// A host that lets go of a manager without Destroy leaves the teardown to the destructor; a workflow asking
// for an animation event or the message interface from OnRemove then must get nothing that holds the dying
// manager. (The event used to take a reference at count 0 and destroy the manager a second time when it went:
// a heap-use-after-free under AddressSanitizer.)
TEST(ManagerOnItsQueue, WorkflowsOfAManagerBeingDestroyedGetNoEventAndNoInterface) {
    auto queue = dom::GenericMessageQueue::CreateManual();
    CallLog log;
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    ASSERT_TRUE(manager->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<ScriptedWorkflow> asking(new ScriptedWorkflow("asking", 5, &log));
    bool askedForEvent = false;
    asking->onRemove = [&](ScriptedWorkflow& self) {
        askedForEvent = true;
        EXPECT_EQ(self.GetManagerCore()->CreateAnimationEvent(false), nullptr);
        EXPECT_FALSE(self.GetManager()->GetInternalInterface(workflow::InterfaceTypes::Message));
    };
    manager->InstallWorkflow(asking);
    // While it runs, an unmanaged manager makes no event either: one that can never complete is not kept.
    du::SmartPtr<workflow::WorkflowManagerImpl> unmanaged(new workflow::WorkflowManagerImpl);
    EXPECT_EQ(unmanaged->CreateAnimationEvent(true), nullptr);
    manager = nullptr;
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);  // the queue's reference was the last
    EXPECT_TRUE(askedForEvent);
    EXPECT_EQ(asking->GetManager(), nullptr);
}

// A closed view's manager goes once the host has let go of it: Destroy, then the host's release, and the
// queue takes it off at its next tick or idle moment. A host opening and closing views all day keeps a flat
// line. (Every destroyed manager used to stay managed, ticking, until the queue shut down.)
TEST(ManagerOnItsQueue, ADestroyedManagerTheHostLetGoOfLeavesTheQueueAndEnds) {
    struct CountedManager : workflow::WorkflowManagerImpl {
        explicit CountedManager(int& live) : live(live) { ++live; }
        ~CountedManager() override { --live; }
        int& live;
    };
    auto queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<PluginObserver> module(new PluginObserver);
    ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<rzk::ShapeView> view(new rzk::ShapeView);
    view->SetWindow(du::SmartPtr<rzk::Window>(new rzk::Window));
    const std::size_t managedAtStart = queue->GetManagedCount();
    int live = 0;
    for (int round = 0; round < 1000; ++round) {
        du::SmartPtr<CountedManager> manager(new CountedManager(live));
        manager->SetView(view);
        ASSERT_TRUE(module->ManageObject(manager));
        manager->Destroy();
        if (round == 0) {
            // Still held by the host after Destroy: it stays and answers as an emptied manager.
            queue->AdvanceTime(100);
            queue->RunPending();
            EXPECT_TRUE(manager->IsManaged());
            EXPECT_TRUE(manager->GetCurrentCursor().IsNull());
        }
        manager = nullptr;
        // Every other round the queue's next idle moment (after any message) lets it go, else its tick.
        if (round % 2 == 0) {
            queue->AdvanceTime(100);
        } else {
            dom::MessageWriter writer = module->StartNewMessage(0);
            module->DeliverMessage(writer.FinaliseMessage());
        }
        queue->RunPending();
        queue->RunPending();  // what the idle pass queued (a running loop goes on with it at once)
        ASSERT_EQ(live, 0) << round;
    }
    EXPECT_EQ(queue->GetManagedCount(), managedAtStart);
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
}

TEST(ManagerOnItsQueue, TeardownUnmanagesOnlyWhatTheManagerPutUnderManagement) {
    auto queue = dom::GenericMessageQueue::CreateManual();
    auto otherQueue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    ASSERT_TRUE(manager->ManageSelf(queue, du::Symbol(), 0));
    du::SmartPtr<PluginObserver> foreign(new PluginObserver);
    du::SmartPtr<PluginObserver> alreadyHere(new PluginObserver);
    du::SmartPtr<PluginObserver> own(new PluginObserver);
    ASSERT_TRUE(foreign->ManageSelf(otherQueue, du::Symbol(), 0));
    ASSERT_TRUE(manager->ManageObject(alreadyHere));
    manager->AddManagedObject(foreign);      // belongs to another queue: managing it fails
    manager->AddManagedObject(alreadyHere);  // managed here by someone else already
    manager->AddManagedObject(own);
    EXPECT_EQ(alreadyHere->managed, 1);
    manager->Destroy();
    queue->RunPending();
    EXPECT_TRUE(foreign->IsManaged());
    EXPECT_TRUE(alreadyHere->IsManaged());
    EXPECT_FALSE(own->IsManaged());
    queue->ShutdownQueue(1);
    otherQueue->ShutdownQueue(1);
}

// A manager made and managed as the module makes it, for the view a test builds.
class Lifecycle : public ::testing::Test {
protected:
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<dom::ManagedObject> module{new PluginObserver};
    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzk::SelectionManager> selection{new rzk::SelectionManager};
    du::SmartPtr<rzk::AnnoSet> annotations{new rzk::AnnoSet};
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<testing_support::MessageLog> log{new testing_support::MessageLog};

    void SetUp() override { ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0)); }
    // Lets ms pass in steps of 10, pumping after each: a recurring timeout fires at most once a pump.
    void Elapse(std::int64_t ms) {
        for (; ms > 0; ms -= 10) {
            queue->AdvanceTime(10);
            queue->RunPending();
        }
    }
    void TearDown() override {
        manager->Destroy();
        queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    }

    // Fills the scene in and starts the manager on the module's queue.
    void Start(const du::SmartPtr<rzk::View>& view, const du::SmartPtr<rzk::Scene>& scene) {
        if (scene) {
            scene->SetSelectionManager(selection);
            scene->SetAnnoSet(annotations);
            view->SetScene(scene);
        }
        view->SetWindow(window);
        manager->SetView(view);
        ASSERT_TRUE(module->ManageObject(manager));
        manager->InstallWorkflow(log);
        queue->RunPending();
        log->lines.clear();
    }
};

TEST_F(Lifecycle, A3DViewIsWatchedThroughWindowSelectionViewSceneAndAnnotations) {
    du::SmartPtr<rzk::ShapeView> view(new rzk::ShapeView);
    du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
    Start(view, scene);
    EXPECT_EQ(window->GetObserverCount(), 1u);
    EXPECT_EQ(selection->GetObserverCount(), 1u);
    EXPECT_EQ(view->GetObserverCount(), 1u);
    EXPECT_EQ(scene->GetObserverCount(), 1u);
    EXPECT_EQ(annotations->GetObserverCount(), 1u);

    // Window input reaches the workflows; the window observer ticks every 10, the manager every 100.
    window->PostMouseMove(3, 4);
    Elapse(100);
    const auto lines = log->TakeInput();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "MsgMouseMove(3,4)"), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.starts_with("MsgTimer"); }),
              9);  // the first tick is silent

    // Managed again, it makes no second set of observers.
    manager->OnManage();
    EXPECT_EQ(window->GetObserverCount(), 1u);

    // Destroy lets every observer go and leaves every subject.
    manager->Destroy();
    queue->RunPending();
    EXPECT_EQ(window->GetObserverCount() + selection->GetObserverCount() + view->GetObserverCount() +
                  scene->GetObserverCount() + annotations->GetObserverCount(),
              0u);
    window->PostMouseMove(5, 6);
    queue->RunPending();
    EXPECT_EQ(log->TakeInput(), std::vector<std::string>{});
}

TEST_F(Lifecycle, A2DDrawingViewAndAViewWithoutSceneGetFewerObservers) {
    du::SmartPtr<rzk::DrawingView> view(new rzk::DrawingView);
    du::SmartPtr<rzk::Scene> scene(new rzk::Scene);  // not a 3D scene
    Start(view, scene);
    EXPECT_EQ(window->GetObserverCount(), 1u);
    EXPECT_EQ(selection->GetObserverCount(), 1u);
    EXPECT_EQ(view->GetObserverCount(), 1u);
    EXPECT_EQ(annotations->GetObserverCount(), 1u);
    manager->Destroy();

    du::SmartPtr<rzk::ImageView> image(new rzk::ImageView);
    manager = new workflow::WorkflowManagerImpl;
    Start(image, nullptr);
    EXPECT_EQ(window->GetObserverCount(), 1u);
    EXPECT_EQ(selection->GetObserverCount(), 0u);  // its observer has no subject without a scene
    window->PostKeyPress("a", du::Symbol::EMPTY);
    queue->RunPending();
    EXPECT_FALSE(log->TakeInput().empty());
}

TEST_F(Lifecycle, AnimationEventsCompleteIntoFinishedMessagesOrAreCancelledByAPress) {
    du::SmartPtr<rzloader::Loader> loader(new rzloader::Loader);
    rzloader::Loader::SetLoader(loader);
    auto installed = animation::AnimationModule::Install(queue, "Animation for lifecycle test", *loader, 10);
    ASSERT_TRUE(installed);
    Start(du::SmartPtr<rzk::View>(new rzk::ShapeView), du::SmartPtr<rzk::Scene>(new rzk::ShapeScene));
    du::SmartPtr<animation::Engine> engine;
    manager->GetAnimationEngine(engine);
    ASSERT_TRUE(engine);
    du::SmartPtr<animation::Engine> same = engine;
    manager->GetAnimationEngine(same);
    EXPECT_EQ(same, engine);

    workflow::AnimationEvent* plain = manager->CreateAnimationEvent(false);
    workflow::AnimationEvent* flagged = manager->CreateAnimationEvent(true);
    engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(plain), 1);
    engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(flagged), 2);
    Elapse(30);
    // The window observer's ticks run too: only the animation lines count here.
    auto finished = [&] {
        std::vector<std::string> lines = log->TakeInput();
        std::erase_if(lines, [](const std::string& line) { return !line.starts_with("MsgAnimation"); });
        return lines;
    };
    EXPECT_EQ(finished(), (std::vector<std::string>{"MsgAnimationFinished", "MsgAnimationFinished",
                                                    "MsgAnimationFinishedForOpenNewSahpeViewBase"}));

    // A press cancels both pending events before any workflow sees it; they never finish.
    workflow::AnimationEvent* first = manager->CreateAnimationEvent(false);
    workflow::AnimationEvent* second = manager->CreateAnimationEvent(true);
    engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(first), 1);
    engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(second), 1);
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseLeftDown) {
            EXPECT_TRUE(first->IsCancelled());
            EXPECT_TRUE(second->IsCancelled());
        }
    };
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftDown, 1, 1));
    log->onMessage = nullptr;
    Elapse(30);
    EXPECT_EQ(finished(), std::vector<std::string>{});
    installed->Uninstall(*loader);
    rzloader::Loader::SetLoader(nullptr);
}

}  // namespace
