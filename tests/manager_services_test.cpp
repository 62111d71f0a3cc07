// The manager's services: installation by name, cursor and status bar, observers, notifications,
// queries, tracing control and the message interface.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "manager/MessageInterface.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/MouseMsg.h"
#include "rzk/View.h"
#include "rzloader/Loader.h"
#include "support/RecordingObservers.h"
#include "support/RecordingWorkflow.h"

namespace {

using support::ManagerObserverCall;
using testing_support::RecordingWorkflow;
using workflow::ConstStrings;

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
    du::SmartPtr<support::RecordingManagerObserver> observer{new support::RecordingManagerObserver};
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
        observer->Clear();
    }
    void TearDown() override {
        rzloader::Loader::SetLoader(nullptr);
        manager->Destroy();
    }

    std::vector<ManagerObserverCall> Changes() {
        auto changes = observer->GetWorkflowChanges();
        observer->Clear();
        return changes;
    }
};

TEST_F(Services, InstallationByNameLoadsReplacesAndReportsFailures) {
    manager->AddWorkflow("nav", true);  // its own priority, 50
    EXPECT_EQ(manager->FindWorkflow(50), du::Symbol("nav"));
    EXPECT_TRUE(manager->GetWorkflow(50)->GetPersistent());
    EXPECT_EQ(Changes(), (std::vector{ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, "nav", 50, true,
                                                                          du::Symbol::EMPTY)}));

    // The same name at the same priority reloads nothing.
    manager->AddWorkflowAtPriority("nav", 50, false);
    EXPECT_EQ(made, 1);
    EXPECT_TRUE(Changes().empty());

    manager->AddWorkflowAtPriority("select", 50, false);
    EXPECT_EQ(
        Changes(),
        (std::vector{ManagerObserverCall::WorkflowChange("nav", "select", 50, true, du::Symbol::EMPTY)}));
    EXPECT_EQ(manager->GetWorkflow(50)->GetPriority(), 50u);

    // A name the loader cannot make: the replaced workflow stays removed.
    manager->AddWorkflowAtPriority("missing", 50, false);
    EXPECT_EQ(manager->FindWorkflow(50), du::Symbol::EMPTY);
    EXPECT_EQ(Changes(), (std::vector{ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, "missing", 0,
                                                                          false, "couldn't load workflow")}));
    // Another class: silently ignored.
    manager->AddWorkflow("not-a-workflow", false);
    EXPECT_TRUE(Changes().empty());

    manager->AddWorkflow(du::Symbol(), false);
    manager->AddWorkflowAtPriority(du::Symbol(), 0xFFFFFFFFu, false);
    manager->RemoveWorkflowByName("nobody");
    manager->RemoveWorkflowByPriority(0);
    manager->SetWorkflowPersistent(7, true);
    EXPECT_EQ(Changes(),
              (std::vector{
                  ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0, false,
                                                      "invalid workflow name"),
                  ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0xFFFFFFFFu,
                                                      false, "There is no workflow at this priority."),
                  ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0, false,
                                                      "There is no installed workflow with this name."),
                  ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0, false,
                                                      "There is no workflow at this priority."),
                  ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 7, false,
                                                      "There is no workflow at this priority."),
              }));

    // Without a loader every load fails.
    rzloader::Loader::SetLoader(nullptr);
    manager->AddWorkflow("nav", false);
    EXPECT_EQ(Changes(), (std::vector{ManagerObserverCall::WorkflowChange(du::Symbol::EMPTY, "nav", 0, false,
                                                                          "couldn't load workflow")}));
}

TEST_F(Services, RemovalByNameAndPersistenceChangeNoStatusOrReport) {
    manager->AddWorkflow("nav", false);
    manager->AddWorkflowAtPriority("select", 10, false);
    Changes();
    manager->SetWorkflowPersistent(10, true);
    EXPECT_TRUE(manager->GetWorkflow(10)->GetPersistent());
    EXPECT_TRUE(Changes().empty());
    manager->RemoveWorkflowByName("nav");
    EXPECT_EQ(Changes(), (std::vector{ManagerObserverCall::WorkflowChange("nav", du::Symbol::EMPTY, 50, true,
                                                                          du::Symbol::EMPTY)}));
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

TEST_F(Services, PageModeAndRotationBecomeMessages) {
    du::SmartPtr<RecordingWorkflow> w(new RecordingWorkflow("mode"));
    w->AddMsgTypeHandled(ConstStrings::MsgSetMode, true);
    manager->InstallWorkflow(w);
    du::SmartPtr<du::RefCounted> object(new rzk::Window);
    manager->SendModeMessage("mode", "edit", 3, object);
    EXPECT_EQ(w->calls.back(), "OnMsgMode(mode,edit,object,3)");
}

// An observer that deregisters itself (and another) from inside its callback.
class LeavingObserver : public support::RecordingNotificationObserver {
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
    du::SmartPtr<support::RecordingNotificationObserver> twice(new support::RecordingNotificationObserver);
    du::SmartPtr<LeavingObserver> leaving(new LeavingObserver);
    du::SmartPtr<support::RecordingNotificationObserver> victim(new support::RecordingNotificationObserver);
    leaving->manager = manager.Get();
    leaving->alsoRemove = victim;
    manager->RegisterNotificationObserver(twice);
    manager->RegisterNotificationObserver(twice);
    manager->RegisterNotificationObserver(leaving);
    manager->RegisterNotificationObserver(victim);
    EXPECT_EQ(twice->GetRegisteredCount(), 2);

    du::SmartPtr<RecordingWorkflow> sender(new RecordingWorkflow("W"));
    manager->InstallWorkflow(sender);
    sender->SendNotification("N", 7, nullptr);
    EXPECT_EQ(twice->GetNotifications().size(), 2u);
    EXPECT_EQ(leaving->GetNotifications().size(), 1u);
    EXPECT_TRUE(victim->GetNotifications().empty());
    EXPECT_EQ(twice->GetNotifications()[0], (support::NotificationCall{"W", "N", 7, nullptr}));

    sender->SendNotification("N", 8, nullptr);
    EXPECT_EQ(leaving->GetNotifications().size(), 1u);
    manager->DeregisterNotificationObserver(twice);  // both registrations
    manager->DeregisterNotificationObserver(twice);  // not registered: no error
    sender->SendNotification("N", 9, nullptr);
    EXPECT_EQ(twice->GetNotifications().size(), 4u);
}

TEST_F(Services, QueriesStopAtTheFirstAnsweringWorkflow) {
    struct Answering : RecordingWorkflow {
        Answering(const char* name, unsigned int priority) : RecordingWorkflow(name) {
            SetPriority(priority);
        }
        bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                         du::SmartPtr<du::RefCounted>&) override {
            calls.push_back("asked " + query.ToString());
            symbol = GetWorkflowName();
            number = static_cast<int>(GetPriority());
            return true;
        }
    };
    du::Symbol symbol("untouched");
    int number = -1;
    du::SmartPtr<du::RefCounted> object;
    EXPECT_FALSE(manager->QueryWorkflows(ConstStrings::QuerySelectionController, symbol, number, object));
    EXPECT_EQ(symbol, du::Symbol("untouched"));

    du::SmartPtr<Answering> low(new Answering("low", 10)), high(new Answering("high", 30));
    manager->InstallWorkflow(low);
    manager->InstallWorkflow(high);
    EXPECT_TRUE(manager->QueryWorkflows(ConstStrings::QuerySelectionController, symbol, number, object));
    EXPECT_EQ(symbol, du::Symbol("high"));
    EXPECT_EQ(number, 30);
    EXPECT_TRUE(low->calls.empty());
}

TEST_F(Services, TraceLinesReplayIntoTheNamedWorkflowOnly) {
    du::SmartPtr<RecordingWorkflow> target(new RecordingWorkflow("target"));
    manager->InstallWorkflow(target);
    manager->HandleTraceString("target", R"(<MsgMouseMove mouseX="1" mouseY="2"/>)");
    manager->HandleTraceString("absent", R"(<MsgMouseMove mouseX="1" mouseY="2"/>)");
    EXPECT_EQ(target->calls, (std::vector<std::string>{"OnMsgMouseMove(1,2)"}));
    EXPECT_TRUE(manager->IsWorkflowTraceEnabled());
}

TEST_F(Services, MessageInterfaceIsHandedOutByTypeAndKeepsItsManager) {
    EXPECT_FALSE(manager->GetInternalInterface("SomethingElse"));
    auto iface = du::DynamicPtrCast<workflow::MessageInterface>(
        manager->GetInternalInterface(workflow::InterfaceTypes::Message));
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->GetInterfaceType(), du::Symbol("MessageInterface"));
    const int before = manager->GetReferenceCount();
    {
        workflow::MessageInterface copy(*iface);
        workflow::MessageInterface assigned(nullptr);
        assigned = copy;
        assigned = assigned;
        EXPECT_EQ(manager->GetReferenceCount(), before + 2);
    }
    EXPECT_EQ(manager->GetReferenceCount(), before);
    // The manager runs on no queue here, so no thread is its own: the message is refused.
    EXPECT_FALSE(iface->SendMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 1, 1)));
}

}  // namespace
