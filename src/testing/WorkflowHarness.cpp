#include "testing/WorkflowHarness.h"

#include "dom/MessageQueue.h"
#include "du/TextData.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/Msg.h"
#include "module/ManagerWiring.h"
#include "rzk/AnnoSet.h"
#include "rzk/Camera.h"
#include "rzk/NotificationObserver.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"

namespace workflow {

// Keeps every notification in the harness's list; trace lines arrive here too, as "trace" notifications.
class WorkflowHarness::Listener : public rzk::NotificationObserver {
public:
    explicit Listener(std::vector<Notification>& notifications) : notifications_(notifications) {}

    void OnRegistered() override {}
    void OnNotification(const du::Symbol& source, const du::Symbol& name, int value,
                        const du::SmartPtr<du::RefCounted>& data) override {
        const auto* text = dynamic_cast<const du::TextData*>(data.Get());
        notifications_.push_back({source, name, value, text ? text->GetText() : std::string(), data});
    }

private:
    std::vector<Notification>& notifications_;
};

WorkflowHarness::WorkflowHarness()
    : previousLoader_(rzloader::Loader::GetLoader()),
      loader_(new rzloader::Loader),
      queue_(dom::GenericMessageQueue::CreateManual()),
      window_(new rzk::Window),
      selection_(new rzk::SelectionManager),
      view_(new rzk::ShapeView),
      manager_(new WorkflowManagerImpl),
      listener_(new Listener(notifications_)) {
    rzloader::Loader::SetLoader(loader_);
    WireManagerParts();
    du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
    scene->SetWorld(du::SmartPtr<rzk::World>(new rzk::World));
    scene->SetSelectionManager(selection_);
    scene->SetAnnoSet(du::SmartPtr<rzk::AnnoSet>(new rzk::AnnoSet));
    view_->SetScene(scene);
    view_->SetWindow(window_);
    // As the module does for a host: the view first, then management, which makes the observers of the
    // window, scene and selection and starts the manager's 100 ms tick.
    manager_->SetView(view_);
    manager_->ManageSelf(queue_, du::Symbol(), 0);
    manager_->RegisterNotificationObserver(listener_);
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
    manager_->InstallWorkflow(workflow);
    manager_->UpdateStatusMsg();
    Pump();
}

void WorkflowHarness::Add(const du::Symbol& name) {
    manager_->AddWorkflow(name, false);
    Pump();
}

void WorkflowHarness::Add(const du::Symbol& name, unsigned int priority, bool persistent) {
    manager_->AddWorkflowAtPriority(name, priority, persistent);
    Pump();
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
    const bool consumed = manager_->DispatchMessage(message);
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
    return manager_->GetStatusField(field);
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

rzk::Camera& WorkflowHarness::Camera() const {
    return *view_->GetCamera();
}

}  // namespace workflow
