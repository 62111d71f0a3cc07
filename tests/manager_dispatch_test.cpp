// The workflow stack and the dispatch through it: order, re-entrancy, exclusive claims, error containment
// and the unhandled-Escape rule.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/WorkflowChangedMsg.h"
#include "rzk/WorkflowManagerObserver.h"
#include "support/RecordingWorkflow.h"

namespace {

using testing_support::CallLog;
using testing_support::ScriptedWorkflow;
using workflow::ConstStrings;

struct ChangeReports : rzk::WorkflowManagerObserver {
    std::vector<std::string> reports;
    void OnRegistered() override {}
    void OnWorkflowChange(const du::Symbol& oldName, const du::Symbol& newName, unsigned int priority,
                          bool success, const du::Symbol& message) override {
        reports.push_back(oldName.ToString() + ">" + newName.ToString() + "@" + std::to_string(priority) +
                          (success ? " ok" : " failed") +
                          (message.View().empty() ? "" : " " + message.ToString()));
    }
    void OnManagerDestroyed() override { reports.push_back("destroyed"); }
};

// Captures what is written to standard error while it lives.
class StderrCapture {
public:
    StderrCapture() : old_(std::cerr.rdbuf(captured_.rdbuf())) {}
    ~StderrCapture() { std::cerr.rdbuf(old_); }
    std::string Text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* old_;
};

class Dispatch : public ::testing::Test {
protected:
    CallLog log;  // first: the manager's teardown still writes to it
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<ChangeReports> observer{new ChangeReports};

    void SetUp() override { manager->RegisterObserver(observer); }

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

TEST_F(Dispatch, InstallationAnnouncesToTheNewWorkflowAndLinksItAfterwards) {
    auto first = Install("first", 10);
    log.clear();
    auto second = Install("second", 20);
    // Linking the new workflow asks for a status pass before OnAdd.
    EXPECT_EQ(log, (CallLog{"second:MsgWorkflowChanged", "first:MsgWorkflowChanged",
                            "second:MsgUpdateStatusBar", "first:MsgUpdateStatusBar", "second:OnAdd"}));
    EXPECT_EQ(second->GetManager(), manager.Get());
    EXPECT_EQ(observer->reports, (std::vector<std::string>{">first@10 ok", ">second@20 ok"}));
}

TEST_F(Dispatch, ReplacingAtAnOccupiedPriorityRemovesTheOldOneSilently) {
    int destroyed = 0;
    Install("old", 10, &destroyed);
    Install("watcher", 5);
    log.clear();
    observer->reports.clear();
    Install("new", 10);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(log, (CallLog{"old:OnRemove", "new:MsgWorkflowChanged", "watcher:MsgWorkflowChanged",
                            "new:MsgUpdateStatusBar", "watcher:MsgUpdateStatusBar", "new:OnAdd"}));
    EXPECT_EQ(observer->reports, (std::vector<std::string>{"old>new@10 ok"}));
}

TEST_F(Dispatch, AnnouncedRemovalIsNotHeardByTheRemovedWorkflow) {
    auto removed = Install("removed", 20);
    Install("stays", 10);
    log.clear();
    manager->RemoveWorkflowByPriority(20);
    EXPECT_EQ(removed->GetManager(), nullptr);
    EXPECT_EQ(log, (CallLog{"removed:OnRemove", "stays:MsgWorkflowChanged", "stays:MsgUpdateStatusBar"}));
    EXPECT_EQ(observer->reports.back(), "removed>@20 ok");
}

TEST_F(Dispatch, ThrowingHandlerIsReportedOnceAndTheWalkGoesOn) {
    auto thrower = Install("thrower", 20);
    Install("below", 10);
    thrower->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool {
        throw std::runtime_error("boom");
    };
    StderrCapture captured;
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
    EXPECT_EQ(captured.Text(),
              "Exception handling workflow message \"MsgMouseMove\" with workflow \"thrower\"\n");
    EXPECT_EQ(log, (CallLog{"thrower:MsgMouseMove", "below:MsgMouseMove"}));
}

TEST_F(Dispatch, WalkRereadsTheStackAfterEveryHandler) {
    auto a = Install("a", 30);
    Install("b", 20);
    auto c = Install("c", 10);
    // a installs one workflow below itself (visited) and one above (not visited), and removes c.
    a->reaction = [&](ScriptedWorkflow& self, const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseMove) {
            self.AddWorkflow(du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("below", 25, &log)));
            self.AddWorkflow(du::SmartPtr<workflow::Workflow>(new ScriptedWorkflow("above", 40, &log)));
            self.RemoveWorkflow(c);
        }
        return false;
    };
    Send(ConstStrings::MsgMouseMove);
    CallLog moves;
    for (const auto& entry : log) {
        if (entry.ends_with(":MsgMouseMove")) {
            moves.push_back(entry);
        }
    }
    EXPECT_EQ(moves, (CallLog{"a:MsgMouseMove", "below:MsgMouseMove", "b:MsgMouseMove"}));
}

TEST_F(Dispatch, WorkflowThatRemovesItselfSurvivesItsHandlerAndTheWalkContinues) {
    int destroyed = 0;
    {
        auto self = Install("self", 20, &destroyed);
        self->reaction = [&](ScriptedWorkflow& me, const workflow::Msg& message) {
            if (message.GetName() == ConstStrings::MsgMouseMove) {
                me.Complete(true);
                EXPECT_EQ(destroyed, 0);
                EXPECT_EQ(me.GetWorkflowName(), du::Symbol("self"));  // still alive: ASan would object
            }
            return false;
        };
    }
    Install("next", 10);
    Send(ConstStrings::MsgMouseMove);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(log.front(), "self:MsgMouseMove");
    EXPECT_EQ(log.back(), "next:MsgMouseMove");
    EXPECT_FALSE(manager->GetWorkflow(20));
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
    observer->reports.clear();
    raw->Complete(true);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(observer->reports, (std::vector<std::string>{"done>@20 ok"}));
}

TEST_F(Dispatch, ExclusiveClaimantDecidesAloneEvenBelowHigherPriority) {
    Install("high", 20);
    auto claimant = Install("claimant", 10);
    du::Symbol names[] = {ConstStrings::MsgMouseMove};
    ASSERT_TRUE(claimant->SetExclusive(names, 1));
    EXPECT_FALSE(Send(ConstStrings::MsgMouseMove));
    EXPECT_EQ(log, (CallLog{"claimant:MsgMouseMove"}));
    EXPECT_TRUE(manager->HoldsExclusive(claimant));

    claimant->reaction = [](ScriptedWorkflow&, const workflow::Msg&) -> bool { throw 42; };
    StderrCapture captured;
    Send(ConstStrings::MsgMouseMove);
    EXPECT_EQ(log, (CallLog{"claimant:MsgMouseMove", "high:MsgMouseMove", "claimant:MsgMouseMove"}));
    EXPECT_EQ(captured.Text(),
              std::string(2, ' ').substr(2) +
                  "Exception handling workflow message \"MsgMouseMove\" with workflow \"claimant\"\n"
                  "Exception handling workflow message \"MsgMouseMove\" with workflow \"claimant\"\n");
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
    EXPECT_FALSE(manager->DispatchMessage(escape));
    EXPECT_FALSE(manager->GetWorkflow(temporary));
    EXPECT_EQ(observer->reports.back(), "temporary>@" + std::to_string(temporary) + " ok");
    EXPECT_FALSE(manager->DispatchMessage(escape));
    EXPECT_TRUE(manager->GetWorkflow(rzk::WorkflowManager::MAX_STATIC_PRIORITY));
}

TEST_F(Dispatch, LookupsByNameAndPriority) {
    Install("a", 10);
    Install("b", 20);
    EXPECT_EQ(manager->FindWorkflowByName("a")->first, 10u);
    EXPECT_EQ(manager->FindWorkflowByName("missing"), manager->StackEnd());
    EXPECT_EQ(manager->FindWorkflow(20), du::Symbol("b"));
    EXPECT_EQ(manager->FindWorkflow(15), du::Symbol::EMPTY);
    EXPECT_FALSE(manager->GetWorkflow(15));
}

TEST_F(Dispatch, DestroyRemovesEveryWorkflowSilentlyHighestFirst) {
    Install("one", 1);
    Install("three", 3);
    Install("two", 2);
    log.clear();
    observer->reports.clear();
    manager->Destroy();
    EXPECT_EQ(log, (CallLog{"three:OnRemove", "two:OnRemove", "one:OnRemove"}));
    EXPECT_EQ(observer->reports, (std::vector<std::string>{"destroyed"}));
    EXPECT_TRUE(manager->GetCurrentCursor().IsNull());
    manager->AddWorkflowAtPriority("x", 5, false);  // emptied: does nothing
    EXPECT_EQ(observer->reports.size(), 1u);
}

}  // namespace
