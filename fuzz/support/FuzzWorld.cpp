#include "support/FuzzWorld.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "du/TextData.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/TypedMessages.h"
#include "messages/WorkflowChangedMsg.h"
#include "rzk/SceneObjects.h"

namespace fuzz {
namespace {

using workflow::ConstStrings;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "consistency check failed: %s\n", what);
    std::abort();
}

const du::Symbol& MessageNameAt(std::size_t index) {
    static const du::Symbol* const names[] = {
        &ConstStrings::MsgActivate,
        &ConstStrings::MsgAddAnnotation,
        &ConstStrings::MsgAnimationFinished,
        &ConstStrings::MsgAnimationFinishedForOpenNewSahpeViewBase,
        &ConstStrings::MsgClickLeft,
        &ConstStrings::MsgClickMiddle,
        &ConstStrings::MsgClickRight,
        &ConstStrings::MsgDeactivate,
        &ConstStrings::MsgDocRotateAntiClockWise,
        &ConstStrings::MsgDocRotateClockWise,
        &ConstStrings::MsgDoubleClickLeft,
        &ConstStrings::MsgDoubleClickMiddle,
        &ConstStrings::MsgDoubleClickRight,
        &ConstStrings::MsgFlyToAll,
        &ConstStrings::MsgFlyToSelected,
        &ConstStrings::MsgKeyPress,
        &ConstStrings::MsgModifierKey,
        &ConstStrings::MsgMotionEvent,
        &ConstStrings::MsgMouseInitLeftDrag,
        &ConstStrings::MsgMouseInitMiddleDrag,
        &ConstStrings::MsgMouseInitRightDrag,
        &ConstStrings::MsgMouseLeave,
        &ConstStrings::MsgMouseLeftDown,
        &ConstStrings::MsgMouseLeftDrag,
        &ConstStrings::MsgMouseLeftUp,
        &ConstStrings::MsgMouseMiddleDown,
        &ConstStrings::MsgMouseMiddleDrag,
        &ConstStrings::MsgMouseMiddleUp,
        &ConstStrings::MsgMouseMove,
        &ConstStrings::MsgMouseRightDown,
        &ConstStrings::MsgMouseRightDrag,
        &ConstStrings::MsgMouseRightUp,
        &ConstStrings::MsgMouseWheel,
        &ConstStrings::MsgMoveShapeInstance,
        &ConstStrings::MsgRemoveAnnotation,
        &ConstStrings::MsgReset,
        &ConstStrings::MsgSelectionChanged,
        &ConstStrings::MsgSetMode,
        &ConstStrings::MsgSetPage,
        &ConstStrings::MsgShapeInstanceCreate,
        &ConstStrings::MsgShapeInstanceMarkupOverride,
        &ConstStrings::MsgShapeInstanceMarkupOverrideInit,
        &ConstStrings::MsgShapeInstanceRemove,
        &ConstStrings::MsgShapeInstanceVisibility,
        &ConstStrings::MsgTimer,
        &ConstStrings::MsgToggleComponentRotate,
        &ConstStrings::MsgTouch,
        &ConstStrings::MsgUpdateCursor,
        &ConstStrings::MsgUpdateStatusBar,
        &ConstStrings::MsgViewProjection,
        &ConstStrings::MsgWindowSize,
        &ConstStrings::MsgWorkflowChanged,
    };
    static const du::Symbol unknown("MsgNobodyKnows");
    return index < std::size(names) ? *names[index] : unknown;
}
constexpr std::size_t kMessageNames = 52;

bool IsMouse(const du::Symbol& name) {
    const std::string_view text = name.View();
    return text.starts_with("MsgMouse") || text.starts_with("MsgClick") || text.starts_with("MsgDoubleClick");
}

}  // namespace

// --- FuzzWorkflow

FuzzWorkflow::FuzzWorkflow(World& world, const du::Symbol& name, unsigned int priority)
    : SimpleWorkflow(name), world_(world) {
    SetPriority(priority);
    world_.live_.push_back(this);
    FuzzInput* script = world_.script;
    if (!script) {
        for (std::size_t i = 0; i < kMessageNames; ++i) {
            AddMsgTypeHandled(MessageNameAt(i), false);
        }
        SetActive(true);
        return;
    }
    // Which types it lists (some also when inactive), whether it starts active, whether it traces input.
    const int types = script->Below(8);
    for (int i = 0; i < types; ++i) {
        AddMsgTypeHandled(MessageNameAt(script->Below(kMessageNames + 1)), script->Flag());
    }
    const std::uint8_t traits = script->Byte();
    SetActive((traits & 1) == 0);
    traceChoice_ = (traits & 2) == 0;
    SetPersistent((traits & 4) != 0);
}

FuzzWorkflow::~FuzzWorkflow() {
    std::erase(world_.live_, this);
}

bool FuzzWorkflow::Claim(FuzzInput& input) {
    du::Symbol names[3];
    const int count = static_cast<int>(input.Below(4));
    for (int i = 0; i < count; ++i) {
        names[i] = world_.PickMessageName(input);
    }
    return SetExclusive(names, count);
}

bool FuzzWorkflow::React(bool mayThrow) {
    FuzzInput* script = world_.script;
    if (!script) {
        return false;
    }
    World& world = world_;
    // Our own reference: what follows may remove this workflow.
    const du::SmartPtr<FuzzWorkflow> self(this);
    switch (script->Below(24)) {
        case 0:
            return true;
        case 1:
            if (mayThrow) {
                throw std::runtime_error("fuzz workflow throws");
            }
            return false;
        case 2:
            if (world.MayMakeWorkflow()) {
                AddWorkflow(world.MakeWorkflow(world.PickWorkflowName(*script), world.PickPriority(*script)));
            }
            return false;
        case 3:
            RemoveWorkflow(self);
            return script->Flag();
        case 4:
            Complete(script->Flag());
            return script->Flag();
        case 5:
            if (auto* manager = GetManager()) {
                manager->RemoveWorkflowByPriority(world.PickPriority(*script));
            }
            return false;
        case 6:
            if (auto* manager = GetManager()) {
                manager->RemoveWorkflowByName(world.PickWorkflowName(*script));
            }
            return false;
        case 7:
            return Claim(*script) && script->Flag();
        case 8:
            UnsetExclusive();
            return false;
        case 9:
            if (world.depth < 4) {
                ++world.depth;
                const std::shared_ptr<workflow::Msg> message = world.MakeMessage(*script);
                SendMessage(*message);
                --world.depth;
            }
            return script->Flag();
        case 10:
            SetCursor(world.PickPriority(*script), world.PickText(*script));
            return false;
        case 11:
            UpdateStatusMessage();
            SetStatusMessage(static_cast<int>(script->Below(6)) - 1, "fz");
            return false;
        case 12:
            SetActive(script->Flag());
            return false;
        case 13:
            if (auto* manager = GetManager()) {
                manager->Destroy();
            }
            return script->Flag();
        case 14: {
            du::Symbol symbol;
            int number = 0;
            du::SmartPtr<du::RefCounted> object;
            if (world.depth < 4) {
                ++world.depth;
                SendQuery(world.PickText(*script), symbol, number, object);
                SendModeMessage(world.PickWorkflowName(*script), world.PickText(*script), 1, world.text);
                --world.depth;
            }
            return false;
        }
        case 15:
            if (auto* manager = GetManager()) {
                manager->SetWorkflowTraceEnabled(script->Flag());
            }
            return false;
        case 16:
            if (script->Flag()) {
                AddMsgTypeHandled(world.PickMessageName(*script), script->Flag());
            } else {
                RemoveMsgTypeHandled(world.PickMessageName(*script), script->Flag());
            }
            return false;
        case 17:
            SetPersistent(script->Flag());
            return false;
        case 18:
            OutputTraceString("<MsgMouseMove mouseX=\"1\" mouseY=\"2\"/>");
            SendNotification(world.PickText(*script), 3, world.text);
            return false;
        case 19:
            // Installed again at its own place: it replaces itself.
            AddWorkflow(self);
            return script->Flag();
        case 20:
            if (auto* manager = GetManager()) {
                // Replaced by a new workflow of the same name at the same priority, made by the loader.
                manager->AddWorkflowAtPriority(GetWorkflowName(), GetPriority(), script->Flag());
            }
            return false;
        case 21:
            if (auto* manager = GetManager()) {
                manager->RemoveWorkflowByName(GetWorkflowName());
            }
            return script->Flag();
        case 22:
            if (auto* manager = GetManager(); manager && world.depth < 4) {
                ++world.depth;
                manager->UpdateStatusMsg();
                manager->ToggleComponentRotate();
                --world.depth;
            }
            return false;
        default:
            return false;
    }
}

bool FuzzWorkflow::OnMsgModifierKey(bool, bool, bool) {
    return React();
}
bool FuzzWorkflow::OnMsgKeyPress(const std::string&, const du::Symbol&) {
    return React();
}
bool FuzzWorkflow::OnMsgMouseLeftDown(int, int) {
    return React();
}
bool FuzzWorkflow::OnMsgMouseLeftDrag(int, int) {
    return React();
}
bool FuzzWorkflow::OnMsgMouseMove(int, int) {
    return React();
}
bool FuzzWorkflow::OnMsgMouseWheel(int, int, short) {
    return React();
}
bool FuzzWorkflow::OnMsgMouseLeave() {
    return React();
}
bool FuzzWorkflow::OnMsgMode(const du::Symbol&, const du::Symbol&, const du::SmartPtr<du::RefCounted>&, int) {
    return React();
}
bool FuzzWorkflow::OnMsgSetPage(int) {
    return React();
}
bool FuzzWorkflow::OnMsgReset() {
    return React();
}
bool FuzzWorkflow::OnMsgUpdateStatusBar() {
    return React();
}
bool FuzzWorkflow::OnMsgUpdateCursor() {
    return React();
}
bool FuzzWorkflow::OnMsgTimer(long long, long long) {
    return React();
}
bool FuzzWorkflow::OnMsgWorkflowChanged(const du::SmartPtr<workflow::Workflow>&, unsigned int, bool) {
    return React();
}

bool FuzzWorkflow::HandleQuery(du::Symbol, du::Symbol& symbol, int& number,
                               du::SmartPtr<du::RefCounted>& object) {
    symbol = GetWorkflowName();
    number = static_cast<int>(GetPriority());
    object = world_.text;
    return React(false);
}

void FuzzWorkflow::OnAdd() {
    if (world_.script && world_.script->Below(4) == 0) {
        React(false);
    }
}

void FuzzWorkflow::OnRemove() {
    SetCursor(GetPriority(), du::Symbol());
    if (world_.script && world_.script->Below(4) == 0) {
        React(false);
    }
}

// --- World

World::World(FuzzInput* input) : script(input) {
    // Refusals and workflow trace lines are expected by the thousand; nobody reads them here.
    previousSink_ = dp::SetTraceSink([](const dp::TraceRecord&) {});
    queue = dom::GenericMessageQueue::CreateManual();
    module = new workflow::WorkflowModuleThread;
    window = new rzk::Window;
    view = new rzk::ShapeView;
    view->SetWindow(window);
    drawingView = new rzk::DrawingView;
    imageView = new rzk::ImageView;
    loader = new rzloader::Loader;
    notificationActor = new NotificationActor;
    managerObserverActor = new ManagerObserverActor;
    pluginObserver = new PluginActor;
    text = new du::TextData("fuzz");
    rzloader::Loader::SetLoader(loader);
    const unsigned int priorities[] = {10, 20, 30, 2000};
    for (std::size_t i = 0; i < std::size(kKnownWorkflows); ++i) {
        const du::Symbol name(kKnownWorkflows[i]);
        const unsigned int priority = priorities[i];
        loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", name, [this, name, priority] {
            return du::SmartPtr<du::RefCounted>(MakeWorkflow(name, priority).Get());
        });
    }
    if (!module->ManageSelf(queue, du::Symbol(), 0)) {
        Fail("the module could not be managed");
    }
    manager = du::DynamicPtrCast<workflow::WorkflowManagerImpl>(module->CreateManager(view));
    if (!manager) {
        Fail("the module made no manager");
    }
    destroyWatch_ = new DestroyWatch;
    manager->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(destroyWatch_.Get()));
    Pump();
}

World::~World() {
    script = nullptr;  // what the teardown makes the workflows do is not the input's to choose
    if (manager) {
        manager->Destroy();
        Pump();
        manager = nullptr;
    }
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_AFTER_PENDING);
    Pump();
    rzloader::Loader::SetLoader(nullptr);
    dp::SetTraceSink(previousSink_);
}

void World::ReleaseManager() {
    manager = nullptr;
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_AFTER_PENDING);
    Pump();
    if (!live_.empty()) {
        Fail("a workflow outlived its manager's teardown");
    }
}

void World::CheckConsistency() {
    const auto& entries = manager->GetStack().Entries();
    // Destroy empties the manager for good: no cursor (an unset one is answered), no workflows, and
    // installations do nothing from then on.
    if (destroyWatch_->destroyed && !manager->GetCurrentCursor().IsNull()) {
        Fail("a destroyed manager answers a cursor");
    }
    if (destroyWatch_->destroyed && !entries.empty()) {
        Fail("a destroyed manager holds workflows");
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        if (i > 0 && entries[i - 1].priority <= entry.priority) {
            Fail("the stack is not sorted from the highest priority down");
        }
        if (!entry.workflow) {
            Fail("the stack holds an empty entry");
        }
        if (entry.workflow->GetPriority() != entry.priority) {
            Fail("a workflow's priority differs from its place in the stack");
        }
        if (entry.workflow->GetManager() != manager.Get()) {
            Fail("a workflow in the stack is not linked to its manager");
        }
    }
    for (FuzzWorkflow* workflow : live_) {
        const bool held = std::any_of(entries.begin(), entries.end(),
                                      [&](const auto& entry) { return entry.workflow.Get() == workflow; });
        if (workflow->GetManager() && (workflow->GetManager() != manager.Get() || !held)) {
            Fail("a workflow is linked to a manager that does not hold it");
        }
        if (!held && workflow->GetReferenceCount() > 0 &&
            manager->HoldsExclusive(du::SmartPtr<workflow::Workflow>(workflow))) {
            Fail("a workflow out of the stack holds an exclusive claim");
        }
    }
    window->ClearCallLog();
}

du::Symbol World::PickWorkflowName(FuzzInput& input) {
    static const du::Symbol names[] = {"fz-a", "fz-b", "fz-c", "fz-temp", "fz-unknown", du::Symbol::EMPTY};
    return input.Pick(names);
}

unsigned int World::PickPriority(FuzzInput& input) {
    static const unsigned int priorities[] = {0, 1, 10, 20, 30, 1000, 1001, 2000, 0xffffffffu};
    return input.Pick(priorities);
}

du::Symbol World::PickMessageName(FuzzInput& input) {
    return MessageNameAt(input.Below(kMessageNames + 1));
}

du::Symbol World::PickText(FuzzInput& input) {
    static const du::Symbol texts[] = {du::Symbol(), du::Symbol::EMPTY, "fz-a", "fz-temp", "rotate", "\x1b"};
    return input.Pick(texts);
}

std::shared_ptr<workflow::Msg> World::MakeMessage(FuzzInput& input) {
    static const workflow::SelectionMsg::ItemList noItems;
    const du::Symbol name = PickMessageName(input);
    const int a = static_cast<int>(static_cast<std::int16_t>(input.Word()));
    const int b = static_cast<int>(static_cast<std::int16_t>(input.Word()));
    if (IsMouse(name)) {
        return std::make_shared<workflow::MouseMsg>(name, a, b, static_cast<short>(a ^ b));
    }
    if (name == ConstStrings::MsgKeyPress || name == ConstStrings::MsgModifierKey) {
        static const char* const keys[] = {"\x1b", "a", "", "+", "\xc3\xa9"};
        if (input.Flag()) {
            return std::make_shared<workflow::KeyMsg>(name, PickText(input), input.Flag(), input.Flag(),
                                                      input.Flag());
        }
        return std::make_shared<workflow::KeyMsg>(name, std::string(input.Pick(keys)), input.Flag(),
                                                  input.Flag(), input.Flag());
    }
    if (name == ConstStrings::MsgTimer) {
        return std::make_shared<workflow::TimerMsg>(name, a, b);
    }
    if (name == ConstStrings::MsgSetPage) {
        return std::make_shared<workflow::PageMsg>(name, a);
    }
    if (name == ConstStrings::MsgWindowSize) {
        return std::make_shared<workflow::WindowSizeMsg>(name, a, b);
    }
    if (name == ConstStrings::MsgSetMode) {
        return std::make_shared<workflow::ModeMsg>(name, PickWorkflowName(input), PickText(input),
                                                   PickObject(input), a);
    }
    if (name == ConstStrings::MsgSelectionChanged) {
        return std::make_shared<workflow::SelectionMsg>(name, static_cast<unsigned int>(a), input.Flag(),
                                                        noItems, noItems);
    }
    if (name == ConstStrings::MsgMoveShapeInstance || name == ConstStrings::MsgShapeInstanceVisibility ||
        name == ConstStrings::MsgShapeInstanceCreate || name == ConstStrings::MsgShapeInstanceRemove) {
        return std::make_shared<workflow::ShapeInstanceMsg>(name);
    }
    if (name == ConstStrings::MsgShapeInstanceMarkupOverride) {
        return std::make_shared<workflow::ShapeInstanceMarkupOverrideMsg>(name, nullptr, nullptr);
    }
    if (name == ConstStrings::MsgShapeInstanceMarkupOverrideInit) {
        return std::make_shared<workflow::ShapeInstanceMarkupOverrideInitMsg>(name, nullptr);
    }
    if (name == ConstStrings::MsgAddAnnotation || name == ConstStrings::MsgRemoveAnnotation) {
        return std::make_shared<workflow::AnnotationMsg>(name, nullptr);
    }
    if (name == ConstStrings::MsgMotionEvent) {
        return std::make_shared<workflow::MotionMsg>(name, a, b, a, b, a, b, static_cast<unsigned int>(b));
    }
    if (name == ConstStrings::MsgTouch) {
        return std::make_shared<workflow::TouchMsg>(name, a, b);
    }
    if (name == ConstStrings::MsgWorkflowChanged) {
        du::SmartPtr<workflow::Workflow> changed(PickInstalled(input).Get());
        return std::make_shared<workflow::WorkflowChangedMsg>(name, changed, PickPriority(input),
                                                              input.Flag());
    }
    return std::make_shared<workflow::Msg>(name);
}

du::SmartPtr<du::RefCounted> World::PickObject(FuzzInput& input) {
    switch (input.Below(8)) {
        case 1:
            return text;
        case 2:
            return du::SmartPtr<du::RefCounted>(view.Get());
        case 3:
            return du::SmartPtr<du::RefCounted>(pluginObserver.Get());
        case 4:
            return du::SmartPtr<du::RefCounted>(notificationActor.Get());
        case 5:
            return du::SmartPtr<du::RefCounted>(manager.Get());
        case 6:
            return du::SmartPtr<du::RefCounted>(module.Get());
        case 7:
            return du::SmartPtr<du::RefCounted>(window.Get());
        default:
            return nullptr;
    }
}

du::SmartPtr<dom::ManagedObject> World::PickActor(FuzzInput& input) {
    switch (input.Below(6)) {
        case 1:
            return du::SmartPtr<dom::ManagedObject>(notificationActor.Get());
        case 2:
            return du::SmartPtr<dom::ManagedObject>(managerObserverActor.Get());
        case 3:
            return pluginObserver;
        case 4:
            return du::SmartPtr<dom::ManagedObject>(manager.Get());
        case 5:
            return du::SmartPtr<dom::ManagedObject>(module.Get());
        default:
            return nullptr;
    }
}

du::SmartPtr<FuzzWorkflow> World::PickInstalled(FuzzInput& input) {
    // A workflow may react while the manager the world let go of is being destroyed.
    if (!manager) {
        return nullptr;
    }
    const auto& entries = manager->GetStack().Entries();
    const std::size_t index = input.Below(entries.size() + 1);
    if (index >= entries.size()) {
        return nullptr;
    }
    return du::SmartPtr<FuzzWorkflow>(dynamic_cast<FuzzWorkflow*>(entries[index].workflow.Get()));
}

du::SmartPtr<FuzzWorkflow> World::MakeWorkflow(const du::Symbol& name, unsigned int priority) {
    ++made_;
    return du::SmartPtr<FuzzWorkflow>(new FuzzWorkflow(*this, name, priority));
}

}  // namespace fuzz
