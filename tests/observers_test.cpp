// Host event translation: the window observer's gestures, gates and timer, the scene, view, annotation and
// selection observers, and the animation completion event, each driven through the stand-in's real event
// sources on a manual queue. Gesture tests read as event scripts with the messages the workflows get.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "animation/AnimationModule.h"
#include "dom/MessageQueue.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "observers/AnimationEvent.h"
#include "observers/AnnoSetObserver.h"
#include "observers/SelectionObserver.h"
#include "observers/ShapeSceneObserver.h"
#include "observers/ViewObservers.h"
#include "observers/WindowObserver.h"
#include "rzk/ActiveModule.h"
#include "rzk/AnnoSet.h"
#include "rzk/PrintPreview.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzloader/Loader.h"
#include "support/MessageLog.h"
#include "support/RecordText.h"

namespace {

using testing_support::MessageLog;
using workflow::ConstStrings;
using Lines = std::vector<std::string>;

// A 3D view with window, scene, world, selection and annotations, and a manager on a manual queue whose
// only workflow records what it is offered. The manager is given no view: observers are wired by hand.
class Observed : public ::testing::Test {
protected:
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<rzk::World> world{new rzk::World};
    du::SmartPtr<rzk::SelectionManager> selection{new rzk::SelectionManager};
    du::SmartPtr<rzk::AnnoSet> annotations{new rzk::AnnoSet};
    du::SmartPtr<rzk::ShapeScene> scene{new rzk::ShapeScene};
    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzk::ShapeView> view{new rzk::ShapeView};
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<MessageLog> log{new MessageLog};

    void SetUp() override {
        scene->SetWorld(world);
        scene->SetSelectionManager(selection);
        scene->SetAnnoSet(annotations);
        view->SetScene(scene);
        view->SetWindow(window);
        ASSERT_TRUE(manager->ManageSelf(queue, du::Symbol(), 0));
        manager->InstallWorkflow(log);
        log->lines.clear();
    }
    void TearDown() override { manager->Destroy(); }

    template <class T>
    du::SmartPtr<T> Observe(T* observer) {
        du::SmartPtr<T> held(observer);
        manager->AddManagedObject(held);
        return held;
    }
    // Runs what the sources posted; answers the input messages the workflow got since the last call.
    Lines Input() {
        queue->RunPending();
        return log->TakeInput();
    }
    // Lets ms pass in steps of 10, pumping after each: a recurring timeout fires at most once a pump.
    void Elapse(std::int64_t ms) {
        for (; ms > 0; ms -= 10) {
            queue->AdvanceTime(ms < 10 ? ms : 10);
            queue->RunPending();
        }
    }
};

class WindowInput : public Observed {
protected:
    du::SmartPtr<workflow::WindowObserver> observer;

    void SetUp() override {
        Observed::SetUp();
        observer = Observe(new workflow::WindowObserver(view, manager.Get()));
        ASSERT_EQ(window->GetObserverCount(), 1u);
    }
    void Down(int button, int x, int y) { window->PostMouseButton(button, true, x, y); }
    void Up(int button, int x, int y) { window->PostMouseButton(button, false, x, y); }
    void Move(int x, int y) { window->PostMouseMove(x, y); }
    int StatusPasses() {
        queue->RunPending();
        return log->CountStatusPasses();
    }
};

TEST_F(WindowInput, ClickStaysAClickWhileMovesKeepWithinFourPixelsOfTheDown) {
    // down(10,10) move(14,10) move(10,6) move(6,14) up(14,14)
    Down(0, 10, 10);
    Move(14, 10);
    Move(10, 6);
    Move(6, 14);
    Up(0, 14, 14);
    EXPECT_EQ(StatusPasses(), 2);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(10,10)", "MsgMouseMove(14,10)", "MsgMouseMove(10,6)",
                              "MsgMouseMove(6,14)", "MsgClickLeft(14,14)", "MsgMouseLeftUp(14,14)"}));
}

TEST_F(WindowInput, DragStartsPastFourPixelsAtTheDownPositionAndEndsWithADragInsteadOfAClick) {
    // down(10,10) move(15,10) move(20,12) up(22,12)
    Down(0, 10, 10);
    Move(15, 10);
    Move(20, 12);
    Up(0, 22, 12);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(10,10)", "MsgMouseInitLeftDrag(10,10)", "MsgMouseMove(15,10)",
                              "MsgMouseLeftDrag(20,12)", "MsgMouseMove(20,12)", "MsgMouseLeftDrag(22,12)",
                              "MsgMouseLeftUp(22,12)"}));

    // Along y, for the right button; the middle button held too runs its own drag.
    // rdown(0,0) mdown(0,0) move(-4,-5) move(-6,-5) rup(-6,-5) mup(-6,-5)
    Down(2, 0, 0);
    Down(1, 0, 0);
    Move(-4, -5);
    Move(-6, -5);
    Up(2, -6, -5);
    Up(1, -6, -5);
    EXPECT_EQ(Input(),
              (Lines{"MsgMouseRightDown(0,0)", "MsgMouseMiddleDown(0,0)", "MsgMouseInitMiddleDrag(0,0)",
                     "MsgMouseInitRightDrag(0,0)", "MsgMouseMove(-4,-5)", "MsgMouseMiddleDrag(-6,-5)",
                     "MsgMouseRightDrag(-6,-5)", "MsgMouseMove(-6,-5)", "MsgMouseRightDrag(-6,-5)",
                     "MsgMouseRightUp(-6,-5)", "MsgMouseMiddleDrag(-6,-5)", "MsgMouseMiddleUp(-6,-5)"}));

    // A new press starts afresh: down(100,100) move(104,96) up(104,96) is a click.
    Down(0, 100, 100);
    Move(104, 96);
    Up(0, 104, 96);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(100,100)", "MsgMouseMove(104,96)", "MsgClickLeft(104,96)",
                              "MsgMouseLeftUp(104,96)"}));
}

TEST_F(WindowInput, DoubleClickIsSentAtTheLastStoredPositionBetweenTheHostsOwnPressesAndReleases) {
    // down(5,5) up(5,5) move(7,8) dblclick down(7,8) up(7,8) dblclick(button 3)
    Down(0, 5, 5);
    Up(0, 5, 5);
    Move(7, 8);
    window->PostMouseDoubleClick(0);
    Down(0, 7, 8);
    Up(0, 7, 8);
    window->PostMouseDoubleClick(3);
    EXPECT_EQ(StatusPasses(), 5);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(5,5)", "MsgClickLeft(5,5)", "MsgMouseLeftUp(5,5)",
                              "MsgMouseMove(7,8)", "MsgDoubleClickLeft(7,8)", "MsgMouseLeftDown(7,8)",
                              "MsgClickLeft(7,8)", "MsgMouseLeftUp(7,8)"}));
}

TEST_F(WindowInput, ClickThatActivatesTheViewIsSwallowedForTheLeftButtonOnly) {
    view->SetActive(false);
    // activate(false) down(1,1) up(1,1) move(3,3): the press, its release and the move are dropped.
    window->PostMouseActivate();
    Down(0, 1, 1);
    Up(0, 1, 1);
    Move(3, 3);
    EXPECT_EQ(StatusPasses(), 0);
    EXPECT_EQ(Input(), Lines{});

    // activate(false) rdown(2,2) rup(2,2): another button only ends the activation and is delivered.
    window->PostMouseActivate();
    Down(2, 2, 2);
    Up(2, 2, 2);
    EXPECT_EQ(Input(), (Lines{"MsgMouseRightDown(2,2)", "MsgClickRight(2,2)", "MsgMouseRightUp(2,2)"}));

    // Active again: nothing is armed, the left click counts.
    view->SetActive(true);
    EXPECT_TRUE(observer->OnMouseActivate());
    Down(0, 4, 4);
    Up(0, 4, 4);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(4,4)", "MsgClickLeft(4,4)", "MsgMouseLeftUp(4,4)"}));
}

TEST_F(WindowInput, ModifiersReportOnlyChangesAndKeysCarryTheHeldOnes) {
    // shift+ shift+ ctrl+ shift- shift- key7- key7+ : every event asks for a status pass.
    window->PostModifierKey(2, true);
    window->PostModifierKey(2, true);
    window->PostModifierKey(0, true);
    window->PostModifierKey(2, false);
    window->PostModifierKey(2, false);
    window->PostModifierKey(7, false);
    window->PostModifierKey(7, true);
    EXPECT_EQ(StatusPasses(), 7);
    EXPECT_EQ(Input(), (Lines{"MsgModifierKey(shift)", "MsgModifierKey(ctrl,shift)", "MsgModifierKey(ctrl)",
                              "MsgModifierKey(ctrl)"}));

    // With control held: text first, else the system key; neither still asks for a status pass.
    window->PostKeyPress("a", "Escape");
    window->PostKeyPress("", "Escape");
    window->PostKeyPress("");
    window->PostModifierKey(1, true);
    window->PostKeyPress("\xc3\xa9");
    EXPECT_EQ(StatusPasses(), 5);
    EXPECT_EQ(Input(), (Lines{"MsgKeyPress(a,ctrl)", "MsgKeyPress(<Escape>,ctrl)", "MsgModifierKey(ctrl,alt)",
                              "MsgKeyPress(\xc3\xa9,ctrl,alt)"}));
}

TEST_F(WindowInput, DisabledUserInputDropsMovesWheelMotionAndKeysButNotTheRest) {
    world->SetUserInputDisabled(true);
    Elapse(20);
    std::array<int, 52> touch{};
    for (int i = 0; i < 52; ++i) {
        touch[i] = i + 1;
    }
    Down(0, 1, 1);
    Move(20, 20);
    Up(0, 20, 20);
    window->PostMouseDoubleClick(0);
    window->PostMouseWheel(-120, 3, 4);
    window->PostMotionEvent(1, 2, 3, 4, 5, 6);
    window->PostKeyPress("a");
    window->PostModifierKey(0, true);
    window->PostSize(640, 480);
    window->PostTouch(touch);
    window->PostMouseLeave();
    std::string touchLine = "MsgTouch(";
    for (int i = 1; i <= 52; ++i) {
        touchLine += std::to_string(i) + (i < 52 ? "," : ")");
    }
    EXPECT_EQ(Input(), (Lines{"MsgTimer(20,10)", "MsgMouseLeftDown(1,1)", "MsgClickLeft(20,20)",
                              "MsgMouseLeftUp(20,20)", "MsgDoubleClickLeft(20,20)", "MsgModifierKey(ctrl)",
                              "MsgWindowSize(640,480)", touchLine, "MsgMouseLeave"}));

    // Enabled again, the dropped kinds come through with their values.
    world->SetUserInputDisabled(false);
    window->PostMouseWheel(-120, 3, 4);
    window->PostMotionEvent(1, -2, 3, -4, 5, -6);
    window->PostKeyPress("a");
    EXPECT_EQ(Input(),
              (Lines{"MsgMouseWheel(3,4,-120)", "MsgMotionEvent(1,-2,3,-4,5,-6)", "MsgKeyPress(a,ctrl)"}));
}

TEST_F(WindowInput, FirstTickIsSilentAndLaterTicksCarryTheTimeSinceThePrevious) {
    Elapse(10);
    EXPECT_EQ(Input(), Lines{});
    Elapse(25);
    EXPECT_EQ(Input(), (Lines{"MsgTimer(20,10)", "MsgTimer(30,10)"}));
    observer->HandleTimeoutEvent(47);
    EXPECT_EQ(log->TakeInput(), (Lines{"MsgTimer(47,17)"}));
    // A pump that comes late fires a recurring timeout once, at the last time it fell due.
    queue->AdvanceTime(45);
    EXPECT_EQ(Input(), (Lines{"MsgTimer(80,33)"}));
}

TEST_F(WindowInput, FlightRecorderKeepsWhatReachedTheObserverBeforeItsGatesOnTheTimersClock) {
    Elapse(20);  // the timer started at 0: ticks at 10 and 20
    Down(0, 10, 10);
    world->SetUserInputDisabled(true);
    Move(20, 10);
    EXPECT_EQ(Input(), (Lines{"MsgTimer(20,10)", "MsgMouseLeftDown(10,10)"}));  // the move held back
    world->SetUserInputDisabled(false);
    Elapse(10);
    window->PostKeyPress("\x1b");
    window->PostModifierKey(2, true);
    window->PostSize(800, 600);
    window->PostMouseLeave();
    window->PostKeyPress("", du::Symbol::EMPTY);  // no key at all: the observer sends nothing, nor keeps it
    Input();
    // A mode message a workflow sends (here the test, calling the manager directly) is not the host's: it
    // follows from the input, and a replay must not send it twice.
    manager->SendModeMessage("orbit", "speed", 2, nullptr);
    const workflow::RecordedInput input = manager->ExportRecording();
    EXPECT_EQ(input.origin, 0);
    EXPECT_EQ(input.now, 30);
    EXPECT_EQ(testing_support::RecordTexts(input),
              (Lines{"Installed log 100 off @0", "Button 0 down 10 10 @20", "Move 20 10 @20",
                     "Key \"\x1b\"  @30", "Modifier 2 on @30", "Size 800 600 @30", "Leave @30"}));
}

TEST_F(WindowInput, DetachedWindowReachesNoWorkflowWhileQueuedEventsStillArrive) {
    Move(1, 1);
    window->DetachObservers();
    Move(2, 2);
    EXPECT_EQ(Input(), (Lines{"MsgMouseMove(1,1)"}));
    EXPECT_EQ(window->GetObserverCount(), 0u);
    // Detached from its view, the observer treats it as inactive; size and leave need no view.
    observer->OnMouseMove(3, 3);
    observer->OnSize(1, 2);
    EXPECT_EQ(log->TakeInput(), (Lines{"MsgWindowSize(1,2)"}));
}

TEST_F(WindowInput, DetachManagerWhileAnEventIsBeingDeliveredEndsItQuietly) {
    // down(0,0) up(0,0), detaching at the click: no up, no status pass, and nothing later.
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgClickLeft) {
            observer->DetachManager();
        }
    };
    Down(0, 0, 0);
    Up(0, 0, 0);
    Move(9, 9);
    window->PostModifierKey(2, true);
    EXPECT_EQ(StatusPasses(), 1);
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(0,0)", "MsgClickLeft(0,0)"}));
}

TEST_F(WindowInput, ManagerEmptiedInTheMiddleOfAnEventSurvivesTheRestAndTheObserverLeavesTheWindow) {
    // The workflow empties its manager while the press is being delivered; the queued release and the
    // later events never reach a workflow.
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMouseLeftDown) {
            manager->Destroy();
        }
    };
    Down(0, 0, 0);
    Up(0, 0, 0);
    observer = nullptr;
    EXPECT_EQ(Input(), (Lines{"MsgMouseLeftDown(0,0)"}));
    EXPECT_EQ(window->GetObserverCount(), 0u);
    Down(0, 0, 0);
    EXPECT_EQ(Input(), Lines{});
}

TEST_F(Observed, MovesBetweenBeginAndEndOfAnUpdateArriveAsOneBatch) {
    auto observer = Observe(new workflow::ShapeSceneObserver(scene, manager.Get()));
    du::SmartPtr<rzk::ShapeInstance> a(new rzk::ShapeInstance);
    du::SmartPtr<rzk::ShapeInstance> b(new rzk::ShapeInstance);
    std::vector<du::SmartPtr<rzk::ShapeInstance>> seen;
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgMoveShapeInstance) {
            seen = static_cast<const workflow::ShapeInstanceMsg&>(message).GetShapeInstances();
        }
    };
    // begin move(a) move(b) move(null) move(a) end -> one batch a, b, a
    scene->PostBeginUpdate();
    scene->PostShapeInstanceMove(a);
    scene->PostShapeInstanceMove(b);
    scene->PostShapeInstanceMove(nullptr);
    scene->PostShapeInstanceMove(a);
    scene->PostEndUpdate();
    EXPECT_EQ(Input(), (Lines{"MsgMoveShapeInstance(3)"}));
    EXPECT_EQ(seen, (std::vector<du::SmartPtr<rzk::ShapeInstance>>{a, b, a}));

    // end -> the same batch again; begin end -> nothing; move(b) end -> the late move alone
    scene->PostEndUpdate();
    EXPECT_EQ(Input(), (Lines{"MsgMoveShapeInstance(3)"}));
    scene->PostBeginUpdate();
    scene->PostEndUpdate();
    EXPECT_EQ(Input(), Lines{});
    scene->PostShapeInstanceMove(b);
    EXPECT_EQ(Input(), Lines{});
    scene->PostEndUpdate();
    EXPECT_EQ(Input(), (Lines{"MsgMoveShapeInstance(1)"}));
}

TEST_F(Observed, SceneChangesOfRealInstancesAndMarkupOverridesBecomeMessages) {
    auto observer = Observe(new workflow::ShapeSceneObserver(scene, manager.Get()));
    du::SmartPtr<rzk::ShapeInstance> instance(new rzk::ShapeInstance);
    du::ConstSmartPtr<rzk::GeomMarkupOverride> markup(new rzk::GeomMarkupOverride);
    du::SmartPtr<rzk::ShapeInstance> overridden;
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgShapeInstanceMarkupOverride) {
            const auto& m = static_cast<const workflow::ShapeInstanceMarkupOverrideMsg&>(message);
            overridden = m.GetShapeInstance();
            EXPECT_EQ(m.GetMarkupOverride(), markup);
        }
    };
    for (const auto& subject : {du::SmartPtr<rzk::ShapeInstance>(), instance}) {
        scene->PostShapeInstanceCreate(subject);
        scene->PostShapeInstanceVisibility(subject);
        scene->PostShapeInstanceRemove(subject);
        scene->PostShapeInstanceMarkupOverrideInit(subject);
    }
    scene->PostShapeInstanceGeomOverride(instance, new rzk::GeomOverride);
    scene->PostShapeInstanceGeomOverride(instance, markup);
    EXPECT_EQ(Input(), (Lines{"MsgShapeInstanceCreate(1)", "MsgShapeInstanceVisibility(1)",
                              "MsgShapeInstanceRemove(1)", "MsgShapeInstanceMarkupOverrideInit",
                              "MsgShapeInstanceMarkupOverride"}));
    EXPECT_EQ(overridden, instance);

    // Detached from its scene, the observer hears nothing more.
    scene->DetachObservers();
    scene->PostShapeInstanceCreate(instance);
    EXPECT_EQ(Input(), Lines{});
}

TEST_F(Observed, PrintPreviewNeedsAnUpdateOnlyWhileAShapeViewShowsAStalePreviewButAlwaysForADrawing) {
    du::SmartPtr<rzk::DrawingView> drawing(new rzk::DrawingView);
    auto shapeObserver = Observe(new workflow::ShapeViewObserver(view, manager.Get()));
    auto drawingObserver = Observe(new workflow::DrawingViewObserver(drawing, manager.Get()));
    du::SmartPtr<rzk::PrintPreview> preview(new rzk::PrintPreview);

    view->PostPrintPreviewChange();  // no preview
    view->SetPrintPreview(preview);
    preview->SetUpToDate(true);
    view->PostPrintPreviewChange();  // up to date
    EXPECT_EQ(Input(), Lines{});
    preview->SetUpToDate(false);
    view->PostPrintPreviewChange();
    drawing->PostPrintPreviewChange();
    view->PostProjection();
    view->PostNavigationSettingsChange();
    EXPECT_EQ(Input(),
              (Lines{"MsgSetMode(,update_print_preview,null,0)", "MsgSetMode(,update_print_preview,null,0)",
                     "MsgViewProjection", "MsgSetMode(,update_view_settings,null,0)"}));

    // Views that let their observers go send nothing more.
    view->DetachObservers();
    drawing->DetachObservers();
    view->PostProjection();
    view->PostPrintPreviewChange();
    drawing->PostPrintPreviewChange();
    EXPECT_EQ(Input(), Lines{});
}

TEST_F(Observed, AnnotationsAndSelectionChangesReachTheWorkflowsWithTheirLists) {
    auto annoObserver = Observe(new workflow::AnnoSetObserver(annotations, manager.Get()));
    auto selectionObserver = Observe(new workflow::SelectionObserver(view, manager.Get()));
    du::SmartPtr<rzk::Annotation> note(new rzk::Annotation);
    annotations->PostAnnotationAdded(note);
    annotations->PostAnnotationAdded(nullptr);
    annotations->PostAnnotationRemoved(note);

    du::SmartPtr<rzk::SelectionItem> gone(new rzk::SelectionItem);
    du::SmartPtr<rzk::SelectionItem> fresh(new rzk::SelectionItem);
    log->onMessage = [&](const workflow::Msg& message) {
        if (message.GetName() == ConstStrings::MsgSelectionChanged) {
            const auto& change = static_cast<const workflow::SelectionMsg&>(message);
            ASSERT_EQ(change.GetRemoveItems().size(), 1u);
            EXPECT_EQ(change.GetRemoveItems()[0], gone);
        }
    };
    selection->PostSelectionChanged(2, true, {gone}, {fresh, fresh});
    EXPECT_EQ(Input(),
              (Lines{"MsgAddAnnotation", "MsgRemoveAnnotation", "MsgSelectionChanged(2,clear,-1,+2)"}));

    // The selection observer leaves its selection manager when the manager lets it go.
    EXPECT_EQ(selection->GetObserverCount(), 1u);
    selectionObserver = nullptr;
    annoObserver = nullptr;
    manager->Destroy();
    queue->RunPending();
    EXPECT_EQ(selection->GetObserverCount(), 0u);
    EXPECT_EQ(annotations->GetObserverCount(), 0u);
}

TEST_F(Observed, AnimationEventCompletesOnTheManagersQueueOnceIntoFinishedMessages) {
    du::SmartPtr<workflow::AnimationEvent> plain(new workflow::AnimationEvent(manager, false));
    du::SmartPtr<workflow::AnimationEvent> flagged(new workflow::AnimationEvent(manager, true));
    manager->ManageObject(plain);
    manager->ManageObject(flagged);
    EXPECT_TRUE(plain->Complete());
    EXPECT_FALSE(plain->Complete());
    EXPECT_EQ(log->TakeInput(), Lines{});  // not on the completing call, but on the queue
    EXPECT_EQ(Input(), (Lines{"MsgAnimationFinished"}));
    flagged->Complete();
    EXPECT_EQ(Input(), (Lines{"MsgAnimationFinished", "MsgAnimationFinishedForOpenNewSahpeViewBase"}));

    // Cancelled, or completed after the manager was emptied: nothing reaches a workflow.
    du::SmartPtr<workflow::AnimationEvent> cancelled(new workflow::AnimationEvent(manager, false));
    du::SmartPtr<workflow::AnimationEvent> late(new workflow::AnimationEvent(manager, true));
    manager->ManageObject(cancelled);
    manager->ManageObject(late);
    EXPECT_TRUE(cancelled->Cancel());
    EXPECT_FALSE(cancelled->Complete());
    manager->Destroy();
    EXPECT_TRUE(late->Complete());
    EXPECT_EQ(Input(), Lines{});
}

TEST_F(Observed, AnimationModuleIsFoundThroughTheLoaderRecordAndItsEngineCompletesEvents) {
    du::SmartPtr<rzloader::Loader> loader(new rzloader::Loader);
    const du::Symbol place("world"), library("animation"), component("default");
    EXPECT_FALSE(workflow::LoadAnimationModule(place, library, component));  // no loader
    rzloader::Loader::SetLoader(loader);
    EXPECT_FALSE(workflow::LoadAnimationModule(place, library, component));  // no record
    loader->RegisterFactory(place, library, component,
                            [] { return du::SmartPtr<du::RefCounted>(new rzk::ActiveModule); });
    EXPECT_FALSE(workflow::LoadAnimationModule(place, library, component));  // no actor name
    loader->RegisterFactory(place, library, component,
                            [] { return du::SmartPtr<du::RefCounted>(new rzk::World); });
    EXPECT_FALSE(workflow::LoadAnimationModule(place, library, component));  // not a module record

    auto installed = animation::AnimationModule::Install(queue, "Animation for observers test", *loader, 10);
    ASSERT_TRUE(installed);
    du::SmartPtr<animation::AnimationModule> module =
        workflow::LoadAnimationModule(place, library, component);
    EXPECT_EQ(module, installed);
    du::SmartPtr<animation::Engine> engine;
    module->GetEngine(engine);
    ASSERT_TRUE(engine);

    du::SmartPtr<workflow::AnimationEvent> event(new workflow::AnimationEvent(manager, false));
    manager->ManageObject(event);
    engine->Animate(event, 3);
    Elapse(20);
    EXPECT_EQ(Input(), Lines{});
    Elapse(10);
    EXPECT_EQ(Input(), (Lines{"MsgAnimationFinished"}));
    EXPECT_EQ(engine->GetRunningCount(), 0u);

    installed->Uninstall(*loader);
    rzloader::Loader::SetLoader(nullptr);
}

}  // namespace
