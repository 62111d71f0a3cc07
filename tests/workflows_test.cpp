// The workflow base and the simple workflow: forwarders, routing, modifier and mouse state, trace lines
// and their replay.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "manager/TraceData.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/TypedMessages.h"
#include "messages/WorkflowChangedMsg.h"
#include "rzk/View.h"
#include "support/RecordingObservers.h"
#include "support/RecordingWorkflow.h"
#include "workflows/MouseRouting.h"
#include "workflows/TouchGestures.h"

namespace {

using testing_support::RecordingWorkflow;
using workflow::ConstStrings;
using Calls = std::vector<std::string>;

// Exposes the protected forwarders.
class OpenWorkflow : public RecordingWorkflow {
public:
    using RecordingWorkflow::RecordingWorkflow;
    using Workflow::FindWorkflow;
    using Workflow::GetPickFilter;
    using Workflow::GetScene;
    using Workflow::GetView;
    using Workflow::GetWindow;
    using Workflow::SendQuery;
    using Workflow::SetStatusMessage;
};

TEST(WorkflowBase, WithoutManagerEveryForwarderDoesNothing) {
    du::SmartPtr<OpenWorkflow> w(new OpenWorkflow("lonely"));
    du::Symbol cursor("kept");
    du::Symbol names[] = {ConstStrings::MsgMouseMove};
    du::Symbol symbol;
    int number = 0;
    du::SmartPtr<du::RefCounted> object;
    EXPECT_FALSE(w->SetCursor(1, "arrow"));
    EXPECT_FALSE(w->SetCursorPosition(1, 2));
    EXPECT_FALSE(w->SetStatusMessage(0, "text"));
    EXPECT_FALSE(w->SetExclusive(names, 1));
    EXPECT_FALSE(w->SendQuery("q", symbol, number, object));
    EXPECT_FALSE(w->ManageObject(nullptr));
    EXPECT_FALSE(w->IsTraceEnabled());
    EXPECT_FALSE(w->GetCurrentCursor(cursor));
    EXPECT_EQ(cursor, du::Symbol("kept"));
    EXPECT_FALSE(w->FindWorkflow(0));
    EXPECT_FALSE(w->GetPickFilter());
    EXPECT_EQ(w->GetManagerCore(), nullptr);
    w->SendNotification("n", 1, nullptr);
    w->OutputTraceString("line");
    w->Complete(true);
    EXPECT_EQ(w->GetReferenceCount(), 1);
}

TEST(WorkflowBase, SetViewTakesWindowAndSceneAndNullClearsAll) {
    du::SmartPtr<rzk::View> full(new rzk::View("shapeview"));
    full->SetWindow(du::SmartPtr<rzk::Window>(new rzk::Window));
    full->SetScene(du::SmartPtr<rzk::Scene>(new rzk::Scene));
    du::SmartPtr<rzk::View> bare(new rzk::View("shapeview"));

    du::SmartPtr<OpenWorkflow> w(new OpenWorkflow("viewer"));
    w->SetView(full);
    EXPECT_TRUE(w->GetWindow() && w->GetScene());
    w->SetView(bare);
    EXPECT_EQ(w->GetView(), bare);
    EXPECT_FALSE(w->GetWindow() || w->GetScene());
    w->SetView(full);
    w->SetView(nullptr);
    EXPECT_FALSE(w->GetView() || w->GetWindow() || w->GetScene());
}

TEST(WorkflowBase, CopyCarriesManagerLinkAndPriority) {
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    du::SmartPtr<RecordingWorkflow> original(new RecordingWorkflow("original"));
    original->SetPriority(7);
    original->AddMsgTypeHandled(ConstStrings::MsgReset, true);
    manager->InstallWorkflow(original);
    du::SmartPtr<RecordingWorkflow> copy(new RecordingWorkflow(*original));
    EXPECT_EQ(copy->GetManager(), manager.Get());
    EXPECT_EQ(copy->GetPriority(), 7u);
    EXPECT_EQ(copy->GetReferenceCount(), 1);
    EXPECT_FALSE(copy->HandleMsg(workflow::Msg(ConstStrings::MsgReset)));  // the lists were copied
    manager->Destroy();
}

TEST(SimpleWorkflowRouting, FilterFollowsActivationAndBothLists) {
    RecordingWorkflow w("filter");
    const workflow::MouseMsg move(ConstStrings::MsgMouseMove, 3, 4);
    w.AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    EXPECT_FALSE(w.HandleMsg(move));
    EXPECT_TRUE(w.calls.empty());
    w.SetActive(true);
    w.SetActive(true);
    w.HandleMsg(move);
    EXPECT_EQ(w.calls, (Calls{"OnActivate()", "OnMsgMouseMove(3,4)"}));

    // Added twice, removed once: gone. Removed from the active list only: still handled while inactive.
    w.AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    w.RemoveMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    w.calls.clear();
    w.HandleMsg(move);
    EXPECT_TRUE(w.calls.empty());
    w.AddMsgTypeHandled(ConstStrings::MsgMouseLeave, true);
    w.RemoveMsgTypeHandled(ConstStrings::MsgMouseLeave, false);
    w.SetActive(false);
    w.HandleMsg(workflow::Msg(ConstStrings::MsgMouseLeave));
    EXPECT_EQ(w.calls, (Calls{"OnDeactivate()", "OnMsgMouseLeave()"}));

    // Handled, but no row routes it.
    w.AddMsgTypeHandled(ConstStrings::MsgFlyToAll, true);
    w.consume = true;
    EXPECT_FALSE(w.HandleMsg(workflow::Msg(ConstStrings::MsgFlyToAll)));
}

TEST(SimpleWorkflowRouting, EachRowReachesItsHandlerWithThePayload) {
    RecordingWorkflow w("router");
    for (const du::Symbol* type :
         {&ConstStrings::MsgTimer, &ConstStrings::MsgKeyPress, &ConstStrings::MsgDoubleClickRight,
          &ConstStrings::MsgMouseMiddleUp, &ConstStrings::MsgMouseRightDrag, &ConstStrings::MsgMouseWheel,
          &ConstStrings::MsgTouch, &ConstStrings::MsgMotionEvent, &ConstStrings::MsgSetMode,
          &ConstStrings::MsgSelectionChanged, &ConstStrings::MsgWorkflowChanged}) {
        w.AddMsgTypeHandled(*type, true);
    }
    std::vector<du::SmartPtr<rzk::SelectionItem>> removed(2), added(1);
    du::SmartPtr<workflow::Workflow> other(new RecordingWorkflow("other"));

    w.HandleMsg(workflow::TimerMsg(ConstStrings::MsgTimer, 1000, 10));
    w.HandleMsg(workflow::KeyMsg(ConstStrings::MsgKeyPress, du::Symbol("F1"), false, false, false));
    w.HandleMsg(workflow::MouseMsg(ConstStrings::MsgDoubleClickRight, 5, 6));
    w.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseMiddleUp, 7, 8));
    w.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseRightDrag, 9, 10));
    w.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseWheel, 11, 12, -120));
    w.HandleMsg(workflow::TouchMsg(ConstStrings::MsgTouch, 260, 1, 7, 100, 200, 55, 1, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 99));
    w.HandleMsg(workflow::MotionMsg(ConstStrings::MsgMotionEvent, 1, 2, 3, 4, 5, 6, 77));
    w.HandleMsg(workflow::ModeMsg(ConstStrings::MsgSetMode, "router", "edit", nullptr, 3));
    w.HandleMsg(workflow::ModeMsg(ConstStrings::MsgSetMode, "someone else", "edit", nullptr, 3));
    w.HandleMsg(workflow::ModeMsg(ConstStrings::MsgSetMode, du::Symbol::EMPTY, "all", nullptr, 0));
    w.HandleMsg(workflow::SelectionMsg(ConstStrings::MsgSelectionChanged, 3, true, removed, added));
    w.HandleMsg(workflow::SelectionMsg(ConstStrings::MsgSelectionChanged, 0, true, removed, added));
    w.HandleMsg(workflow::WorkflowChangedMsg(ConstStrings::MsgWorkflowChanged, other, 40, true));

    EXPECT_EQ(w.calls,
              (Calls{"OnMsgTimer(1000,10)", "OnMsgKeyPress(,F1)", "OnMsgDoubleClickRight(5,6)",
                     "OnMsgMouseMiddleUp(7,8)", "OnMsgMouseRightDrag(9,10)", "OnMsgMouseWheel(11,12,-120)",
                     "OnMsgTouch(260,1,7,100,200,55,1,...,99)", "OnMotionEvent(1,2,3,4,5,6,77)",
                     "OnMsgMode(router,edit,null,3)", "OnMsgMode(,all,null,0)",
                     "OnMsgSelectionChanged(true,2,1)", "OnMsgWorkflowChanged(other,40,true)"}));
}

TEST(SimpleWorkflowRouting, ModifierKeysAndMousePositionAreTracked) {
    RecordingWorkflow w("state");
    int x = -1, y = -1;
    EXPECT_FALSE(w.GetMouseXY(x, y));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);

    // Tracked before the filter: this workflow handles nothing and is inactive.
    w.HandleMsg(workflow::KeyMsg(ConstStrings::MsgModifierKey, '\0', true, false, true));
    EXPECT_TRUE(w.GetControlPressed() && w.GetAltPressed() && !w.GetShiftPressed());
    EXPECT_TRUE(w.calls.empty());

    w.AddMsgTypeHandled(ConstStrings::MsgMouseMove, true);
    w.AddMsgTypeHandled(ConstStrings::MsgMouseLeave, true);
    w.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseMove, 30, 40));
    w.HandleMsg(workflow::Msg(ConstStrings::MsgMouseLeave));
    EXPECT_TRUE(w.GetMouseXY(x, y));
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);

    EXPECT_TRUE(w.DoMouseAction(
                    static_cast<workflow::SimpleWorkflow::MouseHandler>(&RecordingWorkflow::OnMsgClickLeft),
                    1, 2) == false);
    EXPECT_EQ(w.calls.back(), "OnMsgClickLeft(1,2)");
    EXPECT_TRUE(w.GetMouseXY(x, y));
    EXPECT_EQ(x, 1);
}

TEST(SimpleWorkflowRouting, DeactivationReleasesExclusiveClaims) {
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    du::SmartPtr<RecordingWorkflow> w(new RecordingWorkflow("claimer"));
    manager->InstallWorkflow(w);
    w->SetActive(true);
    du::Symbol names[] = {ConstStrings::MsgMouseMove};
    ASSERT_TRUE(w->SetExclusive(names, 1));
    w->SetActive(false);
    EXPECT_FALSE(manager->HoldsExclusive(w));
    manager->Destroy();
}

// The plain mouse rows are routed one of two ways (MouseRouting); each must route as the other does, also
// once a route has learnt the handler's code and after a copy into a class with handlers of its own.
class MouseRoutingPaths : public ::testing::TestWithParam<workflow::MouseRouting> {
protected:
    void SetUp() override { workflow::SetMouseRouting(GetParam()); }
    void TearDown() override { workflow::SetMouseRouting(workflow::MouseRouting::Learnt); }
};

// Copied from a RecordingWorkflow: a mouse handler of its own.
class MoveCopy : public RecordingWorkflow {
public:
    explicit MoveCopy(const RecordingWorkflow& other) : RecordingWorkflow(other) {}
    bool OnMsgMouseMove(int x, int y) override {
        calls.push_back("MoveCopy::OnMsgMouseMove(" + std::to_string(x) + "," + std::to_string(y) + ")");
        return false;
    }
};

// ... and a trace choice of its own, which counts and declines.
class QuietCopy : public MoveCopy {
public:
    using MoveCopy::MoveCopy;
    bool TraceMouseAndKeys() const override {
        ++asked;
        return false;
    }
    mutable int asked = 0;
};

TEST_P(MouseRoutingPaths, RouteAlikeAfterLearningAndAfterACopyIntoAnotherClass) {
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    du::SmartPtr<RecordingWorkflow> w(new RecordingWorkflow("w"));
    manager->InstallWorkflow(w);
    w->SetActive(true);
    w->AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    w->AddMsgTypeHandled(ConstStrings::MsgMouseLeftDown, false);

    // Nobody listens: the first route of each row may learn, the second uses what it learnt.
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 1, 2));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 3, 4));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftDown, 5, 6));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftDown, 7, 8));
    EXPECT_EQ(w->calls, (Calls{"OnActivate()", "OnMsgMouseMove(1,2)", "OnMsgMouseMove(3,4)",
                               "OnMsgMouseLeftDown(5,6)", "OnMsgMouseLeftDown(7,8)"}));
    int x = 0, y = 0;
    EXPECT_TRUE(w->GetMouseXY(x, y));
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 8);

    // Once someone listens, the learnt rows write their lines again.
    du::SmartPtr<testing_support::RecordingNotificationObserver> observer(
        new testing_support::RecordingNotificationObserver);
    manager->RegisterNotificationObserver(observer);
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 9, 10));
    ASSERT_EQ(observer->notifications.size(), 1u);
    EXPECT_EQ(static_cast<workflow::TraceData*>(observer->notifications[0].data.Get())->GetText().ToString(),
              R"(<MsgMouseMove mouseX="9" mouseY="10"/>)");

    // Copies keep the handled types but reach their own handler and ask their own trace choice on every
    // route, listened to or not.
    manager->DeregisterNotificationObserver(observer);
    MoveCopy moved(*w);
    QuietCopy quiet(*w);
    moved.calls.clear();
    for (int i = 0; i < 3; ++i) {
        moved.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseMove, i, 0));
        quiet.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseMove, i, 0));
    }
    EXPECT_EQ(moved.calls, (Calls{"MoveCopy::OnMsgMouseMove(0,0)", "MoveCopy::OnMsgMouseMove(1,0)",
                                  "MoveCopy::OnMsgMouseMove(2,0)"}));
    EXPECT_EQ(quiet.asked, 3);
    manager->RegisterNotificationObserver(observer);
    observer->notifications.clear();
    quiet.HandleMsg(workflow::MouseMsg(ConstStrings::MsgMouseMove, 3, 0));
    EXPECT_EQ(quiet.asked, 4);
    EXPECT_TRUE(observer->notifications.empty());
    manager->Destroy();
}

std::vector<workflow::MouseRouting> BuiltMouseRoutings() {
    if (workflow::LEARNT_MOUSE_ROUTING_AVAILABLE) {
        return {workflow::MouseRouting::Plain, workflow::MouseRouting::Learnt};
    }
    return {workflow::MouseRouting::Plain};
}

INSTANTIATE_TEST_SUITE_P(BothWays, MouseRoutingPaths, ::testing::ValuesIn(BuiltMouseRoutings()),
                         [](const ::testing::TestParamInfo<workflow::MouseRouting>& info) {
                             return info.param == workflow::MouseRouting::Learnt ? "Learnt" : "Plain";
                         });

// A manager with one traced workflow and a notification observer collecting its trace lines.
class TraceLines : public ::testing::Test {
protected:
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<testing_support::RecordingNotificationObserver> observer{
        new testing_support::RecordingNotificationObserver};
    du::SmartPtr<RecordingWorkflow> traced{new RecordingWorkflow("traced")};

    void SetUp() override {
        manager->RegisterNotificationObserver(observer);
        manager->InstallWorkflow(traced);
        traced->SetActive(true);
    }
    void TearDown() override { manager->Destroy(); }

    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        for (const auto& call : observer->notifications) {
            EXPECT_EQ(call.source, du::Symbol("traced"));
            EXPECT_EQ(call.notification, du::Symbol("trace"));
            lines.push_back(static_cast<workflow::TraceData*>(call.data.Get())->GetText().ToString());
        }
        observer->notifications.clear();
        return lines;
    }
};

TEST_F(TraceLines, RoutedInputWritesExactLinesBeforeTheHandler) {
    for (const du::Symbol* type :
         {&ConstStrings::MsgMouseMove, &ConstStrings::MsgMouseWheel, &ConstStrings::MsgKeyPress,
          &ConstStrings::MsgMouseLeave, &ConstStrings::MsgModifierKey}) {
        traced->AddMsgTypeHandled(*type, false);
    }
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 5, 7));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseWheel, 40, -12, 0));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseWheel, 40, 12, -120));
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgKeyPress, 'x'));
    manager->DispatchMessage(
        workflow::KeyMsg(ConstStrings::MsgKeyPress, std::string("\"<&"), false, false, false));
    manager->DispatchMessage(workflow::Msg(ConstStrings::MsgMouseLeave));
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgModifierKey, '\0', false, true, false));
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           R"(<MsgMouseMove mouseX="5" mouseY="7"/>)",
                           R"(<MsgMouseWheel mouseX="40" mouseY="-12"/>)",
                           R"(<MsgMouseWheel mouseX="40" mouseY="12" mouseDelta="-120"/>)",
                           R"(<MsgKeyPress utf8Key="x" systemKey=""/>)",
                           R"(<MsgKeyPress utf8Key=""<&" systemKey=""/>)",
                           R"(<MsgMouseLeave/>)",
                           R"(<simpleworkflow_MsgModifierKey ctrl="false" shift="true" alt="false" />)",
                           R"(<simpleworkflow_MsgModifierKey ctrl="false" shift="true" alt="false" />)",
                       }));

    // A modifier change that the workflow does not handle still writes one line.
    traced->RemoveMsgTypeHandled(ConstStrings::MsgModifierKey, true);
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgModifierKey, '\0', true, false, false));
    EXPECT_EQ(Lines().size(), 1u);
}

// A viewer left tracing for a day must not grow with the pointer's path: trace lines stay out of the
// process-wide symbol table. (200,000 moves to distinct points used to cost 34 MB of interned lines.)
TEST_F(TraceLines, MovesToDistinctPointsLeaveTheSymbolTableAsItWas) {
    traced->AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 0, 0));
    Lines();
    const std::size_t interned = du::Symbol::InternedCount();
    for (int move = 1; move <= 20000; ++move) {
        manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, move, 2 * move));
        if (move % 1000 == 0) {
            EXPECT_EQ(Lines().back(), "<MsgMouseMove mouseX=\"" + std::to_string(move) + "\" mouseY=\"" +
                                          std::to_string(2 * move) + "\"/>");
        }
    }
    EXPECT_EQ(du::Symbol::InternedCount(), interned);
}

TEST_F(TraceLines, SwitchedOffTracingWritesNothingButHandlersStillRun) {
    traced->AddMsgTypeHandled(ConstStrings::MsgMouseMove, false);
    manager->SetWorkflowTraceEnabled(false);
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseMove, 1, 1));
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(traced->calls.back(), "OnMsgMouseMove(1,1)");
    // The host's own call always notifies.
    manager->OutputTraceString("traced", "<by host/>");
    EXPECT_EQ(Lines(), (std::vector<std::string>{"<by host/>"}));
}

TEST_F(TraceLines, ReplayCallsHandlersDirectlyAndRejectsBadLines) {
    RecordingWorkflow fresh("fresh");  // inactive, handles nothing: the replay ignores both
    fresh.HandleTraceString(R"(<MsgMouseLeftDown mouseX="-1" mouseY="3"/>)");
    fresh.HandleTraceString(R"(<MsgMouseLeftDown mouseX="x" mouseY="3"/>)");
    fresh.HandleTraceString("not xml");
    fresh.HandleTraceString("<a/><b/>");
    fresh.HandleTraceString(R"(<MsgFlyToAll/>)");
    fresh.HandleTraceString(R"(<MsgMouseMove mouseY="9"/>)");
    fresh.HandleTraceString(R"(<simpleworkflow_MsgModifierKey shift="true" />)");
    fresh.HandleTraceString(R"(<MsgModifierKey ctrl="true"/>)");
    fresh.HandleTraceString(R"(<MsgKeyPress utf8Key="q"/>)");
    fresh.HandleTraceString(R"(<MsgMouseWheel mouseX="2" mouseY="3" mouseDelta="120"/>)");
    fresh.HandleTraceString(R"(<MsgUpdateCursor/>)");
    EXPECT_EQ(fresh.calls,
              (Calls{"OnMsgMouseLeftDown(0,3)", "OnMsgMouseMove(0,9)", "OnMsgModifierKey(true,false,false)",
                     "OnMsgKeyPress(q,<unset>)", "OnMsgMouseWheel(2,3,120)", "OnMsgUpdateCursor()"}));
}

TEST_F(TraceLines, RecordedInputReplaysIntoAFreshWorkflowOfTheSameClass) {
    for (const du::Symbol* type :
         {&ConstStrings::MsgMouseLeftDown, &ConstStrings::MsgMouseInitLeftDrag,
          &ConstStrings::MsgMouseLeftDrag, &ConstStrings::MsgMouseLeftUp, &ConstStrings::MsgClickLeft,
          &ConstStrings::MsgMouseWheel, &ConstStrings::MsgKeyPress, &ConstStrings::MsgModifierKey,
          &ConstStrings::MsgMouseLeave}) {
        traced->AddMsgTypeHandled(*type, false);
    }
    // down(10,10) shift move(20,10) up(20,10) wheel key leave
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftDown, 10, 10));
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgModifierKey, '\0', false, true, false));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseInitLeftDrag, 10, 10));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftDrag, 20, 10));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseLeftUp, 20, 10));
    manager->DispatchMessage(workflow::MouseMsg(ConstStrings::MsgMouseWheel, 21, 11, 240));
    manager->DispatchMessage(workflow::KeyMsg(ConstStrings::MsgKeyPress, 'z', false, true, false));
    manager->DispatchMessage(workflow::Msg(ConstStrings::MsgMouseLeave));

    du::SmartPtr<RecordingWorkflow> fresh(new RecordingWorkflow("traced"));
    for (const std::string& line : Lines()) {
        fresh->HandleTraceString(line);
    }
    // The recorded modifier lines restore the state without calling the handler; everything else replays.
    Calls expected;
    for (const auto& call : traced->calls) {
        if (!call.starts_with("OnMsgModifierKey") && !call.starts_with("OnActivate")) {
            expected.push_back(call);
        }
    }
    EXPECT_EQ(fresh->calls, expected);
    EXPECT_EQ(fresh->GetShiftPressed(), traced->GetShiftPressed());
    EXPECT_EQ(fresh->GetControlPressed(), traced->GetControlPressed());
    int x1, y1, x2, y2;
    EXPECT_EQ(fresh->GetMouseXY(x1, y1), traced->GetMouseXY(x2, y2));
    EXPECT_EQ(std::make_pair(x1, y1), std::make_pair(x2, y2));
}

}  // namespace

// --- Touch gestures, written as touch events with the gesture each one gives beside it.
namespace {

using workflow::TouchGestures;
using Phase = TouchGestures::Phase;

constexpr int DOWN = TouchGestures::TOUCH_DOWN;
constexpr int MOVE = TouchGestures::TOUCH_MOVE;
constexpr int UP = TouchGestures::TOUCH_UP;

// One touch event of the given points (id, x, y, flag); numInputs is their number.
TouchGestures::Gesture Touch(TouchGestures& gestures, std::initializer_list<std::array<int, 4>> points) {
    TouchGestures::Points all{};
    std::size_t i = 0;
    for (const auto& p : points) {
        all[i++] = {p[0], p[1], p[2], 0, p[3]};
    }
    return gestures.Feed(static_cast<int>(points.size()), all);
}

}  // namespace

TEST(TouchGestures, TwoFingersPinchTurnAndPanFromBeginThroughUpdatesToEnd) {
    TouchGestures gestures;
    EXPECT_EQ(Touch(gestures, {{1, 100, 100, DOWN}}).phase, Phase::None);  // one finger is no gesture

    // down(1) down(2) 100 apart -> Begin at their midpoint
    auto g = Touch(gestures, {{1, 100, 100, MOVE}, {2, 200, 100, DOWN}});
    EXPECT_EQ(g.phase, Phase::Begin);
    EXPECT_DOUBLE_EQ(g.scale, 1.0);
    EXPECT_DOUBLE_EQ(g.centreX, 150.0);
    EXPECT_TRUE(gestures.Active());

    // spread to 200 apart, the midpoint moving 50 right -> Update, scale 2
    g = Touch(gestures, {{1, 100, 100, MOVE}, {2, 300, 100, MOVE}});
    EXPECT_EQ(g.phase, Phase::Update);
    EXPECT_DOUBLE_EQ(g.scale, 2.0);
    EXPECT_DOUBLE_EQ(g.stepScale, 2.0);
    EXPECT_DOUBLE_EQ(g.panX, 50.0);
    EXPECT_DOUBLE_EQ(g.rotation, 0.0);

    // the line between them turns a quarter clockwise on screen (y down), listed in the other order ->
    // rotation +90, the same scale, the midpoint back where it began
    g = Touch(gestures, {{2, 150, 200, MOVE}, {1, 150, 0, MOVE}});
    EXPECT_EQ(g.phase, Phase::Update);
    EXPECT_NEAR(g.rotation, 90.0, 1e-9);
    EXPECT_NEAR(g.stepRotation, 90.0, 1e-9);
    EXPECT_DOUBLE_EQ(g.scale, 2.0);
    EXPECT_DOUBLE_EQ(g.stepScale, 1.0);
    EXPECT_DOUBLE_EQ(g.panX, 0.0);
    EXPECT_DOUBLE_EQ(g.panY, 0.0);
    EXPECT_DOUBLE_EQ(g.stepPanX, -50.0);

    // two more quarter turns cross the +-180 line: the rotation keeps counting
    Touch(gestures, {{1, 250, 100, MOVE}, {2, 50, 100, MOVE}});
    g = Touch(gestures, {{1, 150, 200, MOVE}, {2, 150, 0, MOVE}});
    EXPECT_NEAR(g.rotation, 270.0, 1e-9);
    EXPECT_NEAR(g.stepRotation, 90.0, 1e-9);

    // up(2) -> End with the last values and no step; the finger left is no gesture
    g = Touch(gestures, {{1, 150, 200, MOVE}, {2, 150, 0, UP}});
    EXPECT_EQ(g.phase, Phase::End);
    EXPECT_NEAR(g.rotation, 270.0, 1e-9);
    EXPECT_DOUBLE_EQ(g.stepRotation, 0.0);
    EXPECT_FALSE(gestures.Active());
    EXPECT_EQ(Touch(gestures, {{1, 150, 200, MOVE}}).phase, Phase::None);
    EXPECT_EQ(Touch(gestures, {{1, 150, 200, UP}}).phase, Phase::None);
}

TEST(TouchGestures, OnlyTheFirstTwoFingersCountAndAnotherPairBeginsAnew) {
    TouchGestures gestures;
    Touch(gestures, {{1, 0, 0, DOWN}, {2, 100, 0, DOWN}});
    // a third finger far away changes nothing
    auto g = Touch(gestures, {{1, 0, 0, MOVE}, {2, 100, 0, MOVE}, {3, 900, 900, DOWN}});
    EXPECT_EQ(g.phase, Phase::Update);
    EXPECT_DOUBLE_EQ(g.scale, 1.0);
    EXPECT_DOUBLE_EQ(g.panX, 0.0);
    // finger 2 lifts while 3 stays: the pair is gone -> End, then 1 and 3 begin a new gesture
    g = Touch(gestures, {{1, 0, 0, MOVE}, {2, 100, 0, UP}, {3, 900, 900, MOVE}});
    EXPECT_EQ(g.phase, Phase::End);
    g = Touch(gestures, {{1, 0, 0, MOVE}, {3, 0, 300, MOVE}});
    EXPECT_EQ(g.phase, Phase::Begin);
    g = Touch(gestures, {{1, 0, 0, MOVE}, {3, 0, 150, MOVE}});
    EXPECT_DOUBLE_EQ(g.scale, 0.5);
    // fingers on one spot have no distance: the scale stays what it was rather than dividing by zero
    Touch(gestures, {{1, 0, 0, UP}, {3, 0, 150, MOVE}});
    Touch(gestures, {{4, 5, 5, DOWN}, {5, 5, 5, DOWN}});
    g = Touch(gestures, {{4, 5, 5, MOVE}, {5, 5, 25, MOVE}});
    EXPECT_DOUBLE_EQ(g.scale, 1.0);
    // more inputs claimed than a touch holds are read as ten
    TouchGestures::Points many{};
    many[0] = {1, 0, 0, 0, DOWN};
    many[1] = {2, 10, 0, 0, DOWN};
    EXPECT_EQ(TouchGestures().Feed(1000, many).phase, Phase::Begin);
}
