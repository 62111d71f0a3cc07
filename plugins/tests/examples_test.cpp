// The example workflows, each driven through the window of a harness view the way a host drives it: the
// built plug-in library is loaded into the harness as a host loads it, and the workflows are installed by
// name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "messages/ConstStrings.h"
#include "rzk/Camera.h"
#include "rzk/SelectionManager.h"
#include "testing/WorkflowHarness.h"

namespace {

using Texts = std::vector<std::string>;
using workflow::WorkflowHarness;

class Examples : public ::testing::Test {
protected:
    WorkflowHarness h;

    void SetUp() override { h.Load(EXAMPLES_PLUGIN); }
    Texts Handled() { return h.TakeTexts("handled"); }
};

TEST_F(Examples, EachWorkflowInstallsByNameAtItsOwnPriority) {
    for (const char* name : {"orbit", "pan", "zoom", "select", "measure"}) {
        h.Add(name);
    }
    EXPECT_EQ(h.Find(100), du::Symbol("orbit"));
    EXPECT_EQ(h.Find(110), du::Symbol("pan"));
    EXPECT_EQ(h.Find(120), du::Symbol("zoom"));
    EXPECT_EQ(h.Find(130), du::Symbol("select"));
    EXPECT_EQ(h.Find(2000), du::Symbol("measure"));
    EXPECT_EQ(h.Stack().front(), (WorkflowHarness::Installed{2000, "measure"}));
    EXPECT_EQ(h.Stack().back(), (WorkflowHarness::Installed{100, "orbit"}));
}

TEST_F(Examples, OrbitTurnsTheCameraWhileTheLeftButtonDragsAndShowsTheAnglesOnceThePushIsDue) {
    h.Add("orbit");
    h.Tick(110);  // the first push goes out
    h.Down(h.LEFT, 10, 10);
    h.Move(20, 15);
    EXPECT_EQ(h.Cursor(), du::Symbol("rotate"));
    h.Move(40, 20);
    h.Up(h.LEFT, 40, 20);
    EXPECT_EQ(Handled(), (Texts{"MsgMouseInitLeftDrag(10,10)", "MsgMouseLeftDrag(40,20)",
                                "MsgMouseLeftDrag(40,20)", "MsgMouseLeftUp(40,20)"}));
    EXPECT_DOUBLE_EQ(h.Camera().GetYaw(), 30);
    EXPECT_DOUBLE_EQ(h.Camera().GetPitch(), 10);
    EXPECT_EQ(h.Cursor(), du::Symbol::EMPTY);  // the manager's default request: the window's own cursor
    EXPECT_EQ(h.StatusField(0), "yaw 30 pitch 10");
    EXPECT_EQ(h.Status(), "yaw 0 pitch 0");  // pushed at 100, so the next push waits for the tick at 300
    h.Tick(200);
    EXPECT_EQ(h.Status(), "yaw 30 pitch 10");

    // Twice the speed: ten pixels across are twenty degrees.
    h.Mode("orbit", "speed", 2);
    EXPECT_EQ(Handled(), (Texts{"MsgSetMode(orbit,speed,2)"}));
    h.Drag(h.LEFT, 0, 0, 10, 0, 2);
    EXPECT_DOUBLE_EQ(h.Camera().GetYaw(), 50);
}

TEST_F(Examples, PanFollowsTheMiddleDragWithThePanCursor) {
    h.Add("pan");
    h.Down(h.MIDDLE, 100, 100);
    h.Move(110, 95);
    EXPECT_EQ(h.Cursor(), du::Symbol("pan"));
    h.Up(h.MIDDLE, 130, 90);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanX(), 30);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanY(), -10);
    EXPECT_EQ(h.Cursor(), du::Symbol::EMPTY);  // the manager's default request: the window's own cursor
    // The move that starts the drag is no drag step: the drag starts where the button went down.
    EXPECT_EQ(Handled(), (Texts{"MsgMouseInitMiddleDrag(100,100)", "MsgMouseMiddleDrag(130,90)",
                                "MsgMouseMiddleUp(130,90)"}));
}

TEST_F(Examples, ZoomScalesByATenthPerNotchAndFitsWhatTheSelectionControllerReports) {
    h.Add("zoom");
    h.Wheel(-120, 30, 40);
    h.Wheel(-240, 30, 40);
    EXPECT_NEAR(h.Camera().GetZoom(), 1.1 * 1.1 * 1.1, 1e-9);
    EXPECT_EQ(h.StatusField(1), "zoom 1.33");
    h.Wheel(120, 30, 40);
    h.Key("-");
    EXPECT_NEAR(h.Camera().GetZoom(), 1.1, 1e-9);
    EXPECT_EQ(Handled(), (Texts{"MsgMouseWheel(30,40,-120)", "MsgMouseWheel(30,40,-240)",
                                "MsgMouseWheel(30,40,120)", "MsgKeyPress(-)"}));

    // Fitting asks the selection controller: none installed, then one with an instance selected.
    h.Key("f");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 1.0);
    h.Add("select");
    h.Mode("select", "add", 4);
    h.Key("f");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 2.0);
    h.Mode("zoom", "reset");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 1.0);
    EXPECT_EQ(h.StatusField(1), "zoom 1.00");
}

// A loader that names an animation module which never appears makes every lookup of the engine wait for it
// (10 s): zoom asks once per view, not on every notch. Here the lookup fails at once, and is counted.
TEST_F(Examples, ZoomAsksForTheAnimationEngineOncePerViewEvenWhenThereIsNone) {
    int lookups = 0;
    h.GetLoader().RegisterFactory("world", "animation", "default", [&lookups] {
        ++lookups;
        return du::SmartPtr<du::RefCounted>();
    });
    h.Add("zoom");
    const int atStart = lookups;
    for (int notch = 0; notch < 5; ++notch) {
        h.Wheel(-120, 30, 40);
    }
    h.Key("+");
    EXPECT_EQ(lookups - atStart, 1);
    EXPECT_NEAR(h.Camera().GetZoom(), std::pow(1.1, 6), 1e-9);
}

TEST_F(Examples, SelectAddsTheClickedInstanceOrTheOneAModeMessageNamesAndAnswersTheControllerQuery) {
    h.Add("select");
    h.Click(h.LEFT, 250, 130);  // second row, third cell
    h.Mode("select", "add", 3);
    h.Mode("select", "add", 13);  // already selected
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{13, 3}));
    EXPECT_EQ(Handled(),
              (Texts{"MsgClickLeft(250,130)", "MsgSetMode(select,add,3)", "MsgSetMode(select,add,13)"}));

    du::Symbol controller;
    int count = 0;
    du::SmartPtr<du::RefCounted> selection;
    ASSERT_TRUE(h.Query(workflow::ConstStrings::QuerySelectionController, controller, count, selection));
    EXPECT_EQ(controller, du::Symbol("select"));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(selection.Get(), static_cast<du::RefCounted*>(&h.Selection()));

    h.Mode("select", "clear");
    EXPECT_TRUE(h.Selection().GetInstances().empty());
    h.Click(h.LEFT, -1, 0);  // off the grid: nothing there to select
    EXPECT_TRUE(h.Selection().GetInstances().empty());
}

TEST_F(Examples, MeasureKeepsTheDragFromOrbitAndReportsTheDistanceWhenTheButtonComesUp) {
    h.Add("orbit");
    h.Add("measure");
    EXPECT_EQ(h.Cursor(), du::Symbol("cross"));
    h.Drag(h.LEFT, 0, 0, 30, 40);
    EXPECT_DOUBLE_EQ(h.Camera().GetYaw(), 0);
    EXPECT_EQ(h.StatusField(2), "distance 50.0");
    const WorkflowHarness::Notification& distance = h.Notifications().back();
    EXPECT_EQ(distance.source, du::Symbol("measure"));
    EXPECT_EQ(distance.name, du::Symbol("distance"));
    EXPECT_EQ(distance.value, 50);
    EXPECT_EQ(distance.text, "50.0");
    // Only measure saw the drag: orbit below it heard nothing.
    EXPECT_EQ(Handled(), (Texts{"MsgMouseLeftDown(0,0)", "MsgMouseInitLeftDrag(0,0)", "MsgMouseMove(7,10)",
                                "MsgMouseLeftDrag(15,20)", "MsgMouseMove(15,20)", "MsgMouseLeftDrag(22,30)",
                                "MsgMouseMove(22,30)", "MsgMouseLeftDrag(30,40)", "MsgMouseMove(30,40)",
                                "MsgMouseLeftDrag(30,40)", "MsgMouseLeftUp(30,40)"}));
}

TEST_F(Examples, AnUnconsumedEscapeDismissesMeasureAndItsCursorGoesWithIt) {
    h.Add("zoom");
    h.Add("measure");
    h.Escape();
    EXPECT_EQ(Handled(), (Texts{"MsgKeyPress(\\x1b)"}));  // zoom saw it and let it go
    EXPECT_EQ(h.Find(2000), du::Symbol::EMPTY);
    EXPECT_EQ(h.Cursor(), du::Symbol::EMPTY);    // the manager's default request: the window's own cursor
    EXPECT_EQ(h.Find(120), du::Symbol("zoom"));  // below the static limit, Escape leaves it

    // A right click ends it too.
    h.Add("measure");
    h.Click(h.RIGHT, 5, 5);
    EXPECT_EQ(h.Find(2000), du::Symbol::EMPTY);
}

TEST_F(Examples, MeasureClaimsMovesOnlyBetweenPressAndRelease) {
    h.Add("measure");
    EXPECT_FALSE(h.HoldsExclusive("measure"));
    h.Down(h.LEFT, 0, 0);
    EXPECT_TRUE(h.HoldsExclusive("measure"));
    h.Up(h.LEFT, 3, 4);
    EXPECT_FALSE(h.HoldsExclusive("measure"));
    EXPECT_EQ(h.TakeTexts("distance"), (Texts{"5.0"}));
}

}  // namespace
