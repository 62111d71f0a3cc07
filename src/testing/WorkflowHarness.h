#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzloader/Loader.h"
#include "workflows/TouchGestures.h"
#include "workflows/Workflow.h"

namespace dom {
class GenericMessageQueue;
}
namespace rzk {
class AnnoSet;
class Camera;
class SelectionManager;
class View;
class Window;
class WorkflowManager;
}  // namespace rzk

namespace workflow {

class Msg;

// A workflow's test bench: one real manager, from libworkflow.so as a host loads it, for a 3D model view
// (window, scene, selection manager, annotation set, camera) or a 2D drawing view, on a queue with a manual
// clock that the harness pumps itself, on the calling thread, after every step. Input goes in through the
// window, so the workflows get the same messages, in the same order, as in a running host (a press, more
// than four pixels of travel to start a drag, a status pass after each press, release and key, none after
// moves and wheel turns); what the workflows did comes back as the view's status text, the window's cursor,
// the notifications, the stack and the exclusive claims.
//
//     workflow::WorkflowHarness h;
//     h.Add(new OrbitWorkflow);
//     h.Drag(h.LEFT, 10, 10, 40, 20);                 // down, moves, up
//     EXPECT_EQ(h.StatusField(0), "yaw 30 pitch 10"); // written in the last status pass
//     h.Tick(200);                                    // the push to the view waits for a due tick
//     EXPECT_EQ(h.Status(), "yaw 30 pitch 10");
//     EXPECT_EQ(h.Cursor(), du::Symbol::EMPTY);       // the rotate cursor went with the button
//
// Workflows from plug-in libraries, the shipped examples among them, install by name once loaded:
//
//     h.Load(WORKFLOW_EXAMPLES_PLUGIN);  // the installed libworkflow_examples.so (see docs/installing.md)
//     h.Add("select");                   // throws, with what the loader knows, when no plug-in makes it
//
// Tracing is on, as in a new manager, so trace lines arrive as "trace" notifications beside the workflows'
// own.
//
// Threads and ownership: every operation runs on the thread that made the harness, which owns the queue;
// the harness owns the view, its parts and the manager, and destroys the manager (as a host closing the
// view does) when it goes. One harness at a time per process: it installs its own loader for its life.
class WorkflowHarness {
public:
    enum Button { LEFT = 0, MIDDLE = 1, RIGHT = 2 };
    enum Modifier { CONTROL = 0, ALT = 1, SHIFT = 2 };
    // The view under test: a 3D model view (rzk::ShapeView with a rzk::ShapeScene) or a 2D drawing view
    // (rzk::DrawingView with a plain rzk::Scene). Both scenes have a world, a selection manager and an
    // annotation set.
    enum class ViewKind { Shape, Drawing };

    // A notification a workflow sent, with the text of its data when the data is a du::TextData.
    struct Notification {
        du::Symbol source;
        du::Symbol name;
        int value = 0;
        std::string text;
        du::SmartPtr<du::RefCounted> data;
    };

    // A workflow in the manager's stack.
    struct Installed {
        unsigned int priority = 0;
        du::Symbol name;
        bool operator==(const Installed&) const = default;
    };

    // One finger of a touch event: five of the event's 52 values, as TouchGestures reads them.
    using TouchPoint = workflow::TouchGestures::Point;
    static constexpr std::size_t MAX_TOUCH_POINTS = workflow::TouchGestures::MAX_POINTS;

    // Installs a loader of its own for its life (the one installed before comes back afterwards), so that
    // workflows registered here or loaded from plug-ins are found by name.
    explicit WorkflowHarness(ViewKind kind = ViewKind::Shape);
    // Destroys the manager, as a host does when it closes the view.
    ~WorkflowHarness();
    WorkflowHarness(const WorkflowHarness&) = delete;
    WorkflowHarness& operator=(const WorkflowHarness&) = delete;

    // --- Workflows.
    // Installs workflow at its own priority, replacing whatever sits there.
    void Add(const du::SmartPtr<Workflow>& workflow);
    void Add(Workflow* workflow) { Add(du::SmartPtr<Workflow>(workflow)); }
    // Installs by name through the loader at the workflow's own priority, as the host's AddWorkflow does.
    // Throws std::runtime_error when nothing was installed, naming the manager's report and the workflows
    // the loader knows.
    void Add(const du::Symbol& name);
    // Installs by name through the loader at priority, as the host's AddWorkflowAtPriority does; throws as
    // Add(name) does. A workflow of that name already at priority stays, which is no failure.
    void Add(const du::Symbol& name, unsigned int priority, bool persistent = false);
    void Remove(const du::Symbol& name);
    // The name of the workflow at priority; du::Symbol::EMPTY when the priority is free.
    du::Symbol Find(unsigned int priority);
    // Makes factory known under name, for Add by name.
    void Register(const du::Symbol& name, rzloader::ComponentFactory factory);
    // Loads the plug-in library at path, or every library in the folder path, into the harness's loader, as
    // a host loads workflow plug-ins: their workflows can then be added by name. Throws std::runtime_error
    // with the loader's reasons when no library loaded.
    void Load(const std::string& path);
    // The harness's loader, for factories of other categories (an animation module, ...).
    rzloader::Loader& GetLoader() const { return *loader_; }

    // --- Input through the window; each call runs what it caused before returning.
    void Down(Button button, int x, int y);
    void Up(Button button, int x, int y);
    void Move(int x, int y);
    // Down and up at one point: a click.
    void Click(Button button, int x, int y);
    void DoubleClick(Button button);
    // Down at the start, moves in steps equal steps towards the end, up at the end.
    void Drag(Button button, int fromX, int fromY, int toX, int toY, int steps = 4);
    // One notch is -120 (towards the user) or 120.
    void Wheel(short delta, int x, int y);
    // A key with text ("a", "+", "\x1b"), or a key without text by its name ("Left", "F1").
    void Key(const std::string& text);
    void SystemKey(const du::Symbol& name);
    // The key that dismisses a temporary workflow when nothing consumes it.
    void Escape() { Key("\x1b"); }
    void ModifierKey(Modifier modifier, bool down);
    void Resize(int width, int height);
    // A touch event: the host's message code, then the points (at most MAX_TOUCH_POINTS; their number is
    // the event's second value, unused points are zero). Workflows get "MsgTouch" with the same 52 values.
    void Touch(int message, const std::vector<TouchPoint>& points);
    // A touch event as the window delivers it: the 52 values in the order of workflow::TouchMsg.
    void Touch(const std::array<int, 52>& values);
    // A 3D motion device event: workflows get "MsgMotionEvent" with this translation and rotation.
    void Motion(std::int64_t translationX, std::int64_t translationY, std::int64_t translationZ,
                std::int64_t rotationX, std::int64_t rotationY, std::int64_t rotationZ);

    // --- Host calls on the manager.
    // A mode message for the workflow named workflowName (EMPTY: for every workflow).
    void Mode(const du::Symbol& workflowName, const du::Symbol& mode, int number = 0,
              const du::SmartPtr<du::RefCounted>& object = {});
    bool Query(const du::Symbol& query, du::Symbol& symbol, int& number,
               du::SmartPtr<du::RefCounted>& object);
    // Any message, straight into the dispatch; true when a workflow consumed it.
    bool Send(const Msg& message);

    // --- Time. The manager's status push and the window's timer follow this clock.
    // Lets ms pass in steps of 10, pumping after each: a recurring timeout fires at most once per pump.
    void Tick(std::int64_t ms);
    std::int64_t Now() const;

    // --- What the workflows did.
    // The text the view's status bar shows: it changes at most once per 100 ms (Tick to let it push).
    std::string Status() const;
    // The text field (0 to 3) got in the last status pass, whether or not the view shows it yet.
    std::string StatusField(int field) const;
    // The cursor the window shows. With no workflow asking, the manager's default request, EMPTY, is shown
    // (the window's own cursor); it is unset only before any cursor was set.
    du::Symbol Cursor() const;
    const std::vector<Notification>& Notifications() const { return notifications_; }
    // The texts of the notifications called name, oldest first; forgets every notification.
    std::vector<std::string> TakeTexts(const du::Symbol& name);
    // The workflows installed, highest priority first.
    std::vector<Installed> Stack() const;
    // Whether the highest-priority workflow called name holds an exclusive claim (SetExclusive); false when
    // no workflow of that name is installed.
    bool HoldsExclusive(const du::Symbol& name) const;

    // --- The parts, for checks the helpers above do not cover.
    // The manager as a host holds it (rzk::WorkflowManager), for host calls the helpers above do not make;
    // each runs at once on this thread. Call Pump afterwards to run what it left on the queue.
    rzk::WorkflowManager& HostManager() const { return *manager_; }
    rzk::View& View() const { return *view_; }
    rzk::Window& Window() const { return *window_; }
    rzk::Camera& Camera() const;
    rzk::SelectionManager& Selection() const { return *selection_; }
    rzk::AnnoSet& Annotations() const { return *annotations_; }
    dom::GenericMessageQueue& Queue() const { return *queue_; }
    // Runs every message and timer due on the harness's queue (each helper above does so before returning).
    void Pump();

private:
    class Listener;

    // Throws when the installation by name that just ran neither installed nor kept a workflow.
    void CheckInstalled(const du::Symbol& name, unsigned int priority, bool wasThere);

    du::SmartPtr<rzloader::Loader> previousLoader_;
    du::SmartPtr<rzloader::Loader> loader_;
    du::SmartPtr<dom::GenericMessageQueue> queue_;
    du::SmartPtr<rzk::Window> window_;
    du::SmartPtr<rzk::SelectionManager> selection_;
    du::SmartPtr<rzk::AnnoSet> annotations_;
    du::SmartPtr<rzk::View> view_;
    du::SmartPtr<rzk::WorkflowManager> manager_;
    du::SmartPtr<Listener> listener_;
    std::vector<Notification> notifications_;
};

}  // namespace workflow
