#include "testing/WorkflowHarness.h"

#include <algorithm>
#include <stdexcept>

#include "dom/MessageQueue.h"
#include "du/TextData.h"
#include "messages/Msg.h"
#include "module/HarnessAccess.h"
#include "rzk/AnnoSet.h"
#include "rzk/Camera.h"
#include "rzk/NotificationObserver.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowManagerObserver.h"

namespace workflow {

// Keeps every notification in the harness's list (trace lines arrive here too, as "trace" notifications),
// and the manager's reports of installations and failed requests, which Add checks.
class WorkflowHarness::Listener : public rzk::NotificationObserver, public rzk::WorkflowManagerObserver {
public:
    struct Report {
        du::Symbol newName;
        bool success;
        du::Symbol message;
    };

    explicit Listener(std::vector<Notification>& notifications) : notifications_(notifications) {}

    void OnRegistered() override {}
    void OnNotification(const du::Symbol& source, const du::Symbol& name, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        const auto* text = dynamic_cast<const du::TextData*>(data.Get());
        notifications_.push_back({source, name, value, text ? text->GetText() : std::string(), data});
    }
    void OnWorkflowChange(const du::Symbol&, const du::Symbol& newName, unsigned int, bool success,
                          const du::Symbol& message) override {
        reports.push_back({newName, success, message});
    }
    void OnManagerDestroyed() override {}

    std::vector<Report> reports;

private:
    std::vector<Notification>& notifications_;
};

namespace {

du::SmartPtr<rzk::View> MakeView(WorkflowHarness::ViewKind kind, const du::SmartPtr<rzk::Window>& window,
                                 const du::SmartPtr<rzk::SelectionManager>& selection,
                                 const du::SmartPtr<rzk::AnnoSet>& annotations) {
    du::SmartPtr<rzk::Scene> scene;
    du::SmartPtr<rzk::View> view;
    if (kind == WorkflowHarness::ViewKind::Drawing) {
        scene = new rzk::Scene;
        view = new rzk::DrawingView;
    } else {
        scene = new rzk::ShapeScene;
        view = new rzk::ShapeView;
    }
    scene->SetWorld(du::SmartPtr<rzk::World>(new rzk::World));
    scene->SetSelectionManager(selection);
    scene->SetAnnoSet(annotations);
    view->SetScene(scene);
    view->SetWindow(window);
    return view;
}

std::string Joined(const std::vector<du::Symbol>& names) {
    std::string text;
    for (const du::Symbol& name : names) {
        text += (text.empty() ? "" : ", ") + name.ToString();
    }
    return text.empty() ? "none" : text;
}

}  // namespace

WorkflowHarness::WorkflowHarness(ViewKind kind)
    : previousLoader_(rzloader::Loader::GetLoader()),
      loader_(new rzloader::Loader),
      queue_(dom::GenericMessageQueue::CreateManual()),
      window_(new rzk::Window),
      selection_(new rzk::SelectionManager),
      annotations_(new rzk::AnnoSet),
      view_(MakeView(kind, window_, selection_, annotations_)),
      listener_(new Listener(notifications_)) {
    rzloader::Loader::SetLoader(loader_);
    // Management makes the observers of the window, scene and selection and starts the manager's 100 ms
    // tick, on the next pump.
    manager_ = harness::MakeManager(view_, queue_);
    manager_->RegisterNotificationObserver(listener_);
    manager_->RegisterObserver(listener_);
    Pump();
}

WorkflowHarness::~WorkflowHarness() {
    manager_->Destroy();
    Pump();
    rzloader::Loader::SetLoader(previousLoader_);
}

void WorkflowHarness::Pump() {
    queue_->RunPending();
}

void WorkflowHarness::Add(const du::SmartPtr<Workflow>& workflow) {
    harness::Install(*manager_, workflow);
    manager_->UpdateStatusMsg();
    Pump();
}

void WorkflowHarness::Add(const du::Symbol& name) {
    listener_->reports.clear();
    manager_->AddWorkflow(name, false);
    Pump();
    CheckInstalled(name, 0, false);
}

void WorkflowHarness::Add(const du::Symbol& name, unsigned int priority, bool persistent) {
    const bool wasThere = priority != 0 && manager_->FindWorkflow(priority) == name;
    listener_->reports.clear();
    manager_->AddWorkflowAtPriority(name, priority, persistent);
    Pump();
    CheckInstalled(name, priority, wasThere);
}

void WorkflowHarness::CheckInstalled(const du::Symbol& name, unsigned int priority, bool wasThere) {
    std::vector<Listener::Report> reports;
    reports.swap(listener_->reports);
    std::string failure;
    for (const Listener::Report& report : reports) {
        if (report.success) {
            return;
        }
        failure = report.message.ToString();
    }
    if (wasThere) {
        return;
    }
    std::string call = "WorkflowHarness::Add(\"" + name.ToString() + "\"" +
                       (priority != 0 ? ", " + std::to_string(priority) : std::string()) + "): ";
    const std::vector<du::Symbol> known = loader_->GetNames(view_->GetViewType(), "workflow");
    const bool isKnown = std::find(known.begin(), known.end(), name) != known.end();
    if (failure.empty()) {
        throw std::runtime_error(call + "nothing installed: what the loader made for \"" + name.ToString() +
                                 "\" is not a workflow::Workflow");
    }
    throw std::runtime_error(call + failure + ": " +
                             (isKnown ? "the factory registered for it made nothing"
                                      : "no plug-in loaded here makes a workflow of that name") +
                             " (workflows the loader knows for this view: " + Joined(known) +
                             "; Load a plug-in library or Register a factory first)");
}

void WorkflowHarness::Remove(const du::Symbol& name) {
    manager_->RemoveWorkflowByName(name);
    Pump();
}

du::Symbol WorkflowHarness::Find(unsigned int priority) {
    return manager_->FindWorkflow(priority);
}

void WorkflowHarness::Register(const du::Symbol& name, rzloader::ComponentFactory factory) {
    loader_->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", name, std::move(factory));
}

void WorkflowHarness::Load(const std::string& path) {
    std::string error;
    if (!loader_->LoadPlugins(path, &error)) {
        throw std::runtime_error("WorkflowHarness::Load(\"" + path + "\"): no plug-in loaded: " +
                                 (error.empty() ? "no plug-in library there" : error));
    }
}

void WorkflowHarness::Down(Button button, int x, int y) {
    window_->PostMouseButton(button, true, x, y);
    Pump();
}

void WorkflowHarness::Up(Button button, int x, int y) {
    window_->PostMouseButton(button, false, x, y);
    Pump();
}

void WorkflowHarness::Move(int x, int y) {
    window_->PostMouseMove(x, y);
    Pump();
}

void WorkflowHarness::Click(Button button, int x, int y) {
    Down(button, x, y);
    Up(button, x, y);
}

void WorkflowHarness::DoubleClick(Button button) {
    window_->PostMouseDoubleClick(button);
    Pump();
}

void WorkflowHarness::Drag(Button button, int fromX, int fromY, int toX, int toY, int steps) {
    Down(button, fromX, fromY);
    steps = steps < 1 ? 1 : steps;
    for (int step = 1; step <= steps; ++step) {
        Move(fromX + (toX - fromX) * step / steps, fromY + (toY - fromY) * step / steps);
    }
    Up(button, toX, toY);
}

void WorkflowHarness::Wheel(short delta, int x, int y) {
    window_->PostMouseWheel(delta, x, y);
    Pump();
}

void WorkflowHarness::Key(const std::string& text) {
    window_->PostKeyPress(text);
    Pump();
}

void WorkflowHarness::SystemKey(const du::Symbol& name) {
    window_->PostKeyPress(std::string(), name);
    Pump();
}

void WorkflowHarness::ModifierKey(Modifier modifier, bool down) {
    window_->PostModifierKey(modifier, down);
    Pump();
}

void WorkflowHarness::Resize(int width, int height) {
    window_->PostSize(width, height);
    Pump();
}

void WorkflowHarness::Touch(int message, const std::vector<TouchPoint>& points) {
    if (points.size() > MAX_TOUCH_POINTS) {
        throw std::invalid_argument("WorkflowHarness::Touch: " + std::to_string(points.size()) +
                                    " points, a touch event carries at most 10");
    }
    std::array<int, 52> values{};
    values[0] = message;
    values[1] = static_cast<int>(points.size());
    for (std::size_t point = 0; point < points.size(); ++point) {
        int* fields = values.data() + 2 + 5 * point;
        fields[0] = points[point].id;
        fields[1] = points[point].x;
        fields[2] = points[point].y;
        fields[3] = points[point].time;
        fields[4] = points[point].flag;
    }
    Touch(values);
}

void WorkflowHarness::Touch(const std::array<int, 52>& values) {
    window_->PostTouch(values);
    Pump();
}

void WorkflowHarness::Motion(std::int64_t translationX, std::int64_t translationY, std::int64_t translationZ,
                             std::int64_t rotationX, std::int64_t rotationY, std::int64_t rotationZ) {
    window_->PostMotionEvent(translationX, translationY, translationZ, rotationX, rotationY, rotationZ);
    Pump();
}

void WorkflowHarness::Mode(const du::Symbol& workflowName, const du::Symbol& mode, int number,
                           const du::SmartPtr<du::RefCounted>& object) {
    manager_->SendModeMessage(workflowName, mode, number, object);
    Pump();
}

bool WorkflowHarness::Query(const du::Symbol& query, du::Symbol& symbol, int& number,
                            du::SmartPtr<du::RefCounted>& object) {
    return manager_->QueryWorkflows(query, symbol, number, object);
}

bool WorkflowHarness::Send(const Msg& message) {
    const bool consumed = harness::Dispatch(*manager_, message);
    Pump();
    return consumed;
}

void WorkflowHarness::Tick(std::int64_t ms) {
    for (; ms > 0; ms -= 10) {
        queue_->AdvanceTime(ms < 10 ? ms : 10);
        Pump();
    }
}

std::int64_t WorkflowHarness::Now() const {
    return queue_->Now();
}

std::string WorkflowHarness::Status() const {
    return view_->GetStatusMessage();
}

std::string WorkflowHarness::StatusField(int field) const {
    return harness::StatusField(*manager_, field);
}

du::Symbol WorkflowHarness::Cursor() const {
    return window_->GetCursor();
}

std::vector<std::string> WorkflowHarness::TakeTexts(const du::Symbol& name) {
    std::vector<std::string> texts;
    for (const Notification& notification : notifications_) {
        if (notification.name == name) {
            texts.push_back(notification.text);
        }
    }
    notifications_.clear();
    return texts;
}

std::vector<WorkflowHarness::Installed> WorkflowHarness::Stack() const {
    std::vector<Installed> installed;
    for (const harness::StackEntry& entry : harness::Stack(*manager_)) {
        installed.push_back({entry.priority, entry.name});
    }
    return installed;
}

bool WorkflowHarness::HoldsExclusive(const du::Symbol& name) const {
    return harness::HoldsExclusive(*manager_, name);
}

rzk::Camera& WorkflowHarness::Camera() const {
    return *view_->GetCamera();
}

}  // namespace workflow
