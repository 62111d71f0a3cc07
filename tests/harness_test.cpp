// The workflow test harness as an author uses it: it drives the manager of libworkflow.so (this program links
// no copy of the plug-in's objects), loads plug-in libraries as a host does, and says why when a name
// installs nothing.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "rzk/Camera.h"
#include "rzk/SelectionManager.h"
#include "rzk/View.h"
#include "testing/WorkflowHarness.h"

namespace {

using workflow::WorkflowHarness;

// Consumes the messages it is given by name and keeps what touch and motion events carried.
class Recorder : public workflow::Workflow {
public:
    Recorder(const du::Symbol& name, unsigned int priority, std::vector<du::Symbol> consumed)
        : Workflow(name), consumed_(std::move(consumed)) {
        SetPriority(priority);
    }

    bool HandleMsg(const workflow::Msg& message) override {
        // Messages have no virtual functions: the name tells the class.
        if (message.GetName() == workflow::ConstStrings::MsgTouch) {
            touches.push_back(static_cast<const workflow::TouchMsg&>(message));
        }
        if (message.GetName() == workflow::ConstStrings::MsgMotionEvent) {
            motions.push_back(static_cast<const workflow::MotionMsg&>(message));
        }
        for (const du::Symbol& name : consumed_) {
            if (message.GetName() == name) {
                ++consumedCount;
                return true;
            }
        }
        return false;
    }

    std::vector<workflow::TouchMsg> touches;
    std::vector<workflow::MotionMsg> motions;
    int consumedCount = 0;

private:
    std::vector<du::Symbol> consumed_;
};

std::string ThrownBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

TEST(Harness, AddingANameNoPluginMakesThrowsWithTheReportAndTheNamesTheLoaderKnows) {
    WorkflowHarness h;
    EXPECT_EQ(
        ThrownBy([&] { h.Load("/nonexistent/plugins"); }).rfind("WorkflowHarness::Load(\"/nonexistent", 0),
        0u);
    h.Load(EXAMPLES_PLUGIN);
    EXPECT_EQ(
        ThrownBy([&] { h.Add("orbitt"); }),
        "WorkflowHarness::Add(\"orbitt\"): couldn't load workflow: no plug-in loaded here makes a workflow "
        "of that name (workflows the loader knows for this view: boxselect, measure, orbit, pan, select, "
        "zoom; Load a plug-in library or Register a factory first)");
    // A factory that makes nothing, and one that makes something that is no workflow.
    h.Register("broken", [] { return du::SmartPtr<du::RefCounted>(); });
    h.Register("selection", [] { return du::SmartPtr<du::RefCounted>(new rzk::SelectionManager); });
    EXPECT_NE(ThrownBy([&] { h.Add("broken", 300); }).find("the factory registered for it made nothing"),
              std::string::npos);
    EXPECT_NE(ThrownBy([&] { h.Add("selection"); }).find("is not a workflow::Workflow"), std::string::npos);
    EXPECT_TRUE(h.Stack().empty());

    // Asking again for the workflow already at a priority keeps it, which is no failure.
    h.Add("orbit", 100);
    h.Add("orbit", 100);
    EXPECT_EQ(h.Stack(), (std::vector<WorkflowHarness::Installed>{{100, "orbit"}}));
}

// The documented way to test a workflow of one's own with the shipped examples: load them, add them by name
// beside it, and drive the view.
TEST(Harness, AnAuthorsWorkflowRunsAboveTheShippedExamplesLoadedFromTheirLibrary) {
    WorkflowHarness h;
    h.Load(EXAMPLES_PLUGIN);
    h.Add("orbit");
    h.Add("select");
    du::SmartPtr<Recorder> keys(new Recorder("keys", 500, {"MsgKeyPress"}));
    h.Add(keys);
    EXPECT_EQ(h.Stack(),
              (std::vector<WorkflowHarness::Installed>{{500, "keys"}, {130, "select"}, {100, "orbit"}}));

    h.Key("c");
    EXPECT_EQ(keys->consumedCount, 1);
    h.Drag(h.LEFT, 10, 10, 40, 20);
    EXPECT_DOUBLE_EQ(h.Camera().GetYaw(), 30);
    h.Click(h.LEFT, 250, 130);
    EXPECT_EQ(h.Selection().GetInstances(), (std::vector<unsigned int>{13}));
    EXPECT_FALSE(h.HoldsExclusive("keys"));
    EXPECT_FALSE(h.HoldsExclusive("nobody"));
}

TEST(Harness, TouchAndMotionReachTheWorkflowsWithTheirValuesInOrder) {
    WorkflowHarness h;
    du::SmartPtr<Recorder> recorder(new Recorder("recorder", 100, {}));
    h.Add(recorder);
    h.Touch(0x0240, {{7, 10, 20, 1000, 1}, {8, 30, 40, 1001, 2}});
    std::array<int, 52> raw{};
    raw[51] = 99;  // point 10's flag
    h.Touch(raw);
    h.Motion(1, -2, 3, -4, 5, -6);
    EXPECT_THROW(h.Touch(1, std::vector<WorkflowHarness::TouchPoint>(11)), std::invalid_argument);

    ASSERT_EQ(recorder->touches.size(), 2u);
    const workflow::TouchMsg& two = recorder->touches[0];
    EXPECT_EQ(two.GetName(), du::Symbol("MsgTouch"));
    EXPECT_EQ((std::vector<int>{two.GetMsg(), two.GetNumInputs(), two.GetId1(), two.GetX1(), two.GetY1(),
                                two.GetTime1(), two.GetFlag1(), two.GetId2(), two.GetX2(), two.GetY2(),
                                two.GetTime2(), two.GetFlag2(), two.GetId3()}),
              (std::vector<int>{0x0240, 2, 7, 10, 20, 1000, 1, 8, 30, 40, 1001, 2, 0}));
    EXPECT_EQ(recorder->touches[1].GetFlag10(), 99);
    ASSERT_EQ(recorder->motions.size(), 1u);
    long long x = 0, y = 0, z = 0, rx = 0, ry = 0, rz = 0;
    recorder->motions[0].GetTranslation(x, y, z);
    recorder->motions[0].GetRotation(rx, ry, rz);
    EXPECT_EQ((std::vector<long long>{x, y, z, rx, ry, rz}), (std::vector<long long>{1, -2, 3, -4, 5, -6}));
}

// A 2D drawing view is a view type of its own: the loader is asked for that type, and input reaches the
// workflows through its window as in a model view.
TEST(Harness, ADrawingViewLoadsForItsOwnViewTypeAndTakesInputThroughItsWindow) {
    WorkflowHarness h(WorkflowHarness::ViewKind::Drawing);
    EXPECT_EQ(h.View().GetViewType(), rzk::DrawingView::ACTOR_TYPE);
    h.GetLoader().RegisterFactory(rzk::ShapeView::ACTOR_TYPE, "workflow", "modelonly", [] {
        return du::SmartPtr<du::RefCounted>(new Recorder("modelonly", 50, {}));
    });
    EXPECT_NE(ThrownBy([&] { h.Add("modelonly"); }).find("couldn't load workflow"), std::string::npos);

    h.Load(EXAMPLES_PLUGIN);
    h.Add("pan");
    h.Drag(h.MIDDLE, 100, 100, 130, 90);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanX(), 30);
    EXPECT_DOUBLE_EQ(h.Camera().GetPanY(), -10);
}

}  // namespace
