// The example workflows, each driven through the window of a harness view the way a host drives it: the
// built plug-in library is loaded into the harness as a host loads it, and the workflows are installed by
// name.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "messages/ConstStrings.h"
#include "rzk/AnnoSet.h"
#include "rzk/Camera.h"
#include "rzk/SelectionManager.h"
#include "rzk/View.h"
#include "testing/WorkflowHarness.h"

namespace {

using Texts = std::vector<std::string>;
using workflow::WorkflowHarness;

class Examples : public ::testing::Test {
protected:
    WorkflowHarness h;

    void SetUp() override { h.Load(EXAMPLES_PLUGIN); }
    Texts Handled() { return h.TakeTexts("handled"); }
    // What the workflows draw over the model now.
    std::vector<du::SmartPtr<rzk::DrawnAnnotation>> Drawn() {
        std::vector<du::SmartPtr<rzk::DrawnAnnotation>> drawn;
        for (const du::SmartPtr<rzk::Annotation>& annotation : h.Annotations().GetAnnotations()) {
            if (auto* shape = dynamic_cast<rzk::DrawnAnnotation*>(annotation.Get())) {
                drawn.emplace_back(shape);
            }
        }
        return drawn;
    }
};

using Points = std::vector<rzk::DrawnAnnotation::Point>;

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
    h.Camera().SetPan(5, 6);
    h.Key("f");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 1.0);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanX(), 0);  // everything: the view as it starts
    h.Add("select");
    h.Mode("select", "add", 4);
    h.Key("f");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 2.0);
    h.Mode("zoom", "reset");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 1.0);
    EXPECT_EQ(h.StatusField(1), "zoom 1.00");

    // A host that knows where things are drawn has the selection framed: centred, with a tenth to spare.
    std::vector<std::vector<unsigned int>> asked;
    h.View().SetBoundsProvider(
        [&asked](const std::vector<unsigned int>& ids, rzk::View::InstanceBounds& bounds) {
            asked.push_back(ids);
            bounds = ids.empty() ? rzk::View::InstanceBounds{-100, -50, 100, 50, 400, 300}
                                 : rzk::View::InstanceBounds{10, 20, 40, 30, 400, 300};
            return true;
        });
    h.Camera().SetPan(-7, 3);
    h.Key("f");
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 12.0);  // 0.9 * 400 / 30 across; 0.9 * 300 / 10 would be more
    EXPECT_DOUBLE_EQ(h.Camera().GetPanX(), -300);  // the box's centre (25, 25) at the view's centre
    EXPECT_DOUBLE_EQ(h.Camera().GetPanY(), -300);
    h.Mode("select", "clear");
    h.Key("f");  // everything
    EXPECT_DOUBLE_EQ(h.Camera().GetZoom(), 1.8);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanX(), 0);
    EXPECT_EQ(asked, (std::vector<std::vector<unsigned int>>{{4}, {}}));
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

    h.Mode("select", "remove", 13);
    h.Mode("select", "remove", 7);  // not selected
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{3}));

    // Ctrl+click toggles the one part; a plain click adds; a click on nothing clears.
    h.ModifierKey(h.CONTROL, true);
    h.Click(h.LEFT, 250, 30);
    EXPECT_TRUE(h.Selection().GetInstances().empty());
    h.Click(h.LEFT, 250, 30);
    h.ModifierKey(h.CONTROL, false);
    h.Click(h.LEFT, 50, 30);
    h.Click(h.LEFT, 50, 30);
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{3, 1}));
    h.Click(h.LEFT, -1, 0);  // off the grid: nothing there
    EXPECT_TRUE(h.Selection().GetInstances().empty());
    h.Mode("select", "add", 5);
    h.Mode("select", "clear");
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

TEST_F(Examples, MeasureClaimsMovesAndDrawsItsLineOnlyBetweenPressAndRelease) {
    h.Add("measure");
    EXPECT_FALSE(h.HoldsExclusive("measure"));
    h.Down(h.LEFT, 0, 0);
    EXPECT_TRUE(h.HoldsExclusive("measure"));
    h.Move(6, 8);
    const auto drawn = Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0]->GetKind(), rzk::DrawnAnnotation::Kind::Polyline);
    EXPECT_EQ(drawn[0]->GetPoints(), (Points{{0, 0}, {6, 8}}));
    EXPECT_EQ(drawn[1]->GetKind(), rzk::DrawnAnnotation::Kind::Text);
    EXPECT_EQ(drawn[1]->GetText(), "10.0");
    h.Up(h.LEFT, 3, 4);
    EXPECT_FALSE(h.HoldsExclusive("measure"));
    EXPECT_EQ(h.TakeTexts("distance"), (Texts{"5.0"}));
    EXPECT_TRUE(Drawn().empty());
    // Dismissed in the middle of a measurement, it takes its drawing with it.
    h.Down(h.LEFT, 0, 0);
    h.Move(6, 8);
    h.Escape();
    EXPECT_EQ(h.Find(2000), du::Symbol::EMPTY);
    EXPECT_TRUE(h.Annotations().GetAnnotations().empty());
}

// Shift and a left drag pull a rubber band and select what it covers; Escape cancels it; without Shift the
// drag still orbits.
TEST_F(Examples, BoxSelectDrawsItsBandAndSelectsWhatTheBoxCoversUnlessEscaped) {
    for (const char* name : {"orbit", "select", "boxselect"}) {
        h.Add(name);
    }
    EXPECT_EQ(h.Find(140), du::Symbol("boxselect"));
    h.Mode("select", "add", 40);
    h.ModifierKey(h.SHIFT, true);
    h.Down(h.LEFT, 150, 50);
    h.Move(200, 100);
    h.Move(250, 130);
    const auto band = Drawn();
    ASSERT_EQ(band.size(), 1u);
    EXPECT_EQ(band[0]->GetKind(), rzk::DrawnAnnotation::Kind::Rectangle);
    EXPECT_EQ(band[0]->GetPoints(), (Points{{150, 50}, {250, 130}}));
    h.Up(h.LEFT, 250, 130);
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{2, 3, 12, 13}));  // the grid's cells
    EXPECT_TRUE(Drawn().empty());
    EXPECT_DOUBLE_EQ(h.Camera().GetYaw(), 0);

    h.Drag(h.LEFT, 10, 10, 500, 500);
    h.Escape();  // after the drag: nothing to cancel
    h.Down(h.LEFT, 10, 10);
    h.Move(500, 500);
    h.Escape();
    EXPECT_TRUE(Drawn().empty());
    h.Up(h.LEFT, 500, 500);
    EXPECT_EQ(h.Selection().GetInstances().size(), 36u);  // the box before, not the cancelled one

    // A host that knows what it drew answers for the box.
    h.View().SetRegionPicker([](int x0, int y0, int x1, int y1) {
        return x0 == 300 && y0 == 300 && x1 == 0 && y1 == 0 ? std::vector<unsigned int>{7, 9}
                                                            : std::vector<unsigned int>{};
    });
    h.Drag(h.LEFT, 300, 300, 0, 0);
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{7, 9}));
    h.ModifierKey(h.SHIFT, false);
    h.Drag(h.LEFT, 0, 0, 30, 0);
    EXPECT_NE(h.Camera().GetYaw(), 0);
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{7, 9}));
}

}  // namespace
