#include "workflows/SimpleWorkflow.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>

#include "dg/XmlElem.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "messages/WorkflowChangedMsg.h"
#include "workflows/MouseRouting.h"
#include "workflows/TraceLines.h"

namespace workflow {
namespace {

// The routing rows, in the order in which a name is tested against them; a name's row is the index of its
// first match plus one (0: no row). Names in the table are distinct, so the row of a handled type can be
// found once, when the type is added, instead of on every message.
enum RoutingRow : std::uint8_t {
    NO_ROW,
    TIMER,
    MODIFIER_KEY,
    KEY_PRESS,
    DOUBLE_CLICK_LEFT,
    DOUBLE_CLICK_MIDDLE,
    DOUBLE_CLICK_RIGHT,
    CLICK_LEFT,
    MOUSE_LEFT_DOWN,
    MOUSE_LEFT_UP,
    MOUSE_INIT_LEFT_DRAG,
    MOUSE_LEFT_DRAG,
    TOUCH,
    CLICK_MIDDLE,
    MOUSE_MIDDLE_DOWN,
    MOUSE_MIDDLE_UP,
    MOUSE_INIT_MIDDLE_DRAG,
    MOUSE_MIDDLE_DRAG,
    CLICK_RIGHT,
    MOUSE_RIGHT_DOWN,
    MOUSE_RIGHT_UP,
    MOUSE_INIT_RIGHT_DRAG,
    MOUSE_RIGHT_DRAG,
    MOUSE_MOVE,
    MOUSE_LEAVE,
    MOUSE_WHEEL,
    RESET,
    UPDATE_STATUS_BAR,
    UPDATE_CURSOR,
    SET_MODE,
    SET_PAGE,
    TOGGLE_COMPONENT_ROTATE,
    SELECTION_CHANGED,
    WINDOW_SIZE,
    MOVE_SHAPE_INSTANCE,
    SHAPE_INSTANCE_VISIBILITY,
    SHAPE_INSTANCE_CREATE,
    SHAPE_INSTANCE_REMOVE,
    SHAPE_INSTANCE_MARKUP_OVERRIDE,
    SHAPE_INSTANCE_MARKUP_OVERRIDE_INIT,
    VIEW_PROJECTION,
    MOTION_EVENT,
    ADD_ANNOTATION,
    REMOVE_ANNOTATION,
    WORKFLOW_CHANGED,
    ANIMATION_FINISHED,
    ANIMATION_FINISHED_FOR_OPEN_NEW_SHAPE_VIEW_BASE,
};

const du::Symbol* const ROW_NAMES[] = {
    &ConstStrings::MsgTimer,
    &ConstStrings::MsgModifierKey,
    &ConstStrings::MsgKeyPress,
    &ConstStrings::MsgDoubleClickLeft,
    &ConstStrings::MsgDoubleClickMiddle,
    &ConstStrings::MsgDoubleClickRight,
    &ConstStrings::MsgClickLeft,
    &ConstStrings::MsgMouseLeftDown,
    &ConstStrings::MsgMouseLeftUp,
    &ConstStrings::MsgMouseInitLeftDrag,
    &ConstStrings::MsgMouseLeftDrag,
    &ConstStrings::MsgTouch,
    &ConstStrings::MsgClickMiddle,
    &ConstStrings::MsgMouseMiddleDown,
    &ConstStrings::MsgMouseMiddleUp,
    &ConstStrings::MsgMouseInitMiddleDrag,
    &ConstStrings::MsgMouseMiddleDrag,
    &ConstStrings::MsgClickRight,
    &ConstStrings::MsgMouseRightDown,
    &ConstStrings::MsgMouseRightUp,
    &ConstStrings::MsgMouseInitRightDrag,
    &ConstStrings::MsgMouseRightDrag,
    &ConstStrings::MsgMouseMove,
    &ConstStrings::MsgMouseLeave,
    &ConstStrings::MsgMouseWheel,
    &ConstStrings::MsgReset,
    &ConstStrings::MsgUpdateStatusBar,
    &ConstStrings::MsgUpdateCursor,
    &ConstStrings::MsgSetMode,
    &ConstStrings::MsgSetPage,
    &ConstStrings::MsgToggleComponentRotate,
    &ConstStrings::MsgSelectionChanged,
    &ConstStrings::MsgWindowSize,
    &ConstStrings::MsgMoveShapeInstance,
    &ConstStrings::MsgShapeInstanceVisibility,
    &ConstStrings::MsgShapeInstanceCreate,
    &ConstStrings::MsgShapeInstanceRemove,
    &ConstStrings::MsgShapeInstanceMarkupOverride,
    &ConstStrings::MsgShapeInstanceMarkupOverrideInit,
    &ConstStrings::MsgViewProjection,
    &ConstStrings::MsgMotionEvent,
    &ConstStrings::MsgAddAnnotation,
    &ConstStrings::MsgRemoveAnnotation,
    &ConstStrings::MsgWorkflowChanged,
    &ConstStrings::MsgAnimationFinished,
    &ConstStrings::MsgAnimationFinishedForOpenNewSahpeViewBase,
};
static_assert(std::size(ROW_NAMES) == ANIMATION_FINISHED_FOR_OPEN_NEW_SHAPE_VIEW_BASE);

std::uint8_t RowOf(const du::Symbol& name) {
    for (std::size_t i = 0; i < std::size(ROW_NAMES); ++i) {
        if (*ROW_NAMES[i] == name) {
            return static_cast<std::uint8_t>(i + 1);
        }
    }
    return NO_ROW;
}

// The (x, y) handler of a mouse row, or null for rows that are not plain mouse rows.
SimpleWorkflow::MouseHandler MouseHandlerOf(std::uint8_t row) {
    switch (row) {
        case DOUBLE_CLICK_LEFT:
            return &SimpleWorkflow::OnMsgDoubleClickLeft;
        case DOUBLE_CLICK_MIDDLE:
            return &SimpleWorkflow::OnMsgDoubleClickMiddle;
        case DOUBLE_CLICK_RIGHT:
            return &SimpleWorkflow::OnMsgDoubleClickRight;
        case CLICK_LEFT:
            return &SimpleWorkflow::OnMsgClickLeft;
        case MOUSE_LEFT_DOWN:
            return &SimpleWorkflow::OnMsgMouseLeftDown;
        case MOUSE_LEFT_UP:
            return &SimpleWorkflow::OnMsgMouseLeftUp;
        case MOUSE_INIT_LEFT_DRAG:
            return &SimpleWorkflow::OnMsgMouseInitLeftDrag;
        case MOUSE_LEFT_DRAG:
            return &SimpleWorkflow::OnMsgMouseLeftDrag;
        case CLICK_MIDDLE:
            return &SimpleWorkflow::OnMsgClickMiddle;
        case MOUSE_MIDDLE_DOWN:
            return &SimpleWorkflow::OnMsgMouseMiddleDown;
        case MOUSE_MIDDLE_UP:
            return &SimpleWorkflow::OnMsgMouseMiddleUp;
        case MOUSE_INIT_MIDDLE_DRAG:
            return &SimpleWorkflow::OnMsgMouseInitMiddleDrag;
        case MOUSE_MIDDLE_DRAG:
            return &SimpleWorkflow::OnMsgMouseMiddleDrag;
        case CLICK_RIGHT:
            return &SimpleWorkflow::OnMsgClickRight;
        case MOUSE_RIGHT_DOWN:
            return &SimpleWorkflow::OnMsgMouseRightDown;
        case MOUSE_RIGHT_UP:
            return &SimpleWorkflow::OnMsgMouseRightUp;
        case MOUSE_INIT_RIGHT_DRAG:
            return &SimpleWorkflow::OnMsgMouseInitRightDrag;
        case MOUSE_RIGHT_DRAG:
            return &SimpleWorkflow::OnMsgMouseRightDrag;
        case MOUSE_MOVE:
            return &SimpleWorkflow::OnMsgMouseMove;
        default:
            return nullptr;
    }
}

template <class List>
void EraseType(List& list, const du::Symbol& type) {
    std::erase_if(list, [&](const auto& entry) { return entry.type == type; });
}

#if defined(__GNUC__) && !defined(__clang__)
// The learnt mouse routing (MouseRouting.h) is kept because it pays: in dispatch_bench's Mouse* A/B over 1,
// 8 and 32 workflows it cut the CPU time per dispatch by 8-12%, 15-18% and 20% against the plain routing
// (trace switch on, the default; medians of 10-12 repetitions). Both are tested (workflows_test,
// MouseRoutingPaths). GCC can name the code a virtual call would reach for a given object. The routing uses
// it to tell a workflow that keeps the default TraceMouseAndKeys (which answers true and does nothing else,
// so asking it and knowing the answer are the same) from one that overrides it, without a call on the hot
// path.
#define WORKFLOW_KNOWS_DEFAULT_TRACE_CHOICE 1
using TraceChoiceCode = bool (*)(const SimpleWorkflow*);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wpmf-conversions"
inline TraceChoiceCode TraceChoiceOf(const SimpleWorkflow* workflow) {
    return reinterpret_cast<TraceChoiceCode>(workflow->*(&SimpleWorkflow::TraceMouseAndKeys));
}
// The code a mouse handler reaches on workflow (a SimpleWorkflow handler needs no adjustment of the object).
inline bool (*HandlerCodeOf(SimpleWorkflow* workflow, SimpleWorkflow::MouseHandler handler))(SimpleWorkflow*,
                                                                                             int, int) {
    return reinterpret_cast<bool (*)(SimpleWorkflow*, int, int)>(workflow->*handler);
}
#pragma GCC diagnostic pop
// The default's code, taken from the first SimpleWorkflow under construction (whose dynamic type is then
// SimpleWorkflow itself).
std::atomic<TraceChoiceCode> defaultTraceChoice{nullptr};
#endif
#ifdef WORKFLOW_KNOWS_DEFAULT_TRACE_CHOICE
static_assert(LEARNT_MOUSE_ROUTING_AVAILABLE);
#else
static_assert(!LEARNT_MOUSE_ROUTING_AVAILABLE);
#endif

std::atomic<bool> learning{LEARNT_MOUSE_ROUTING_AVAILABLE};

// Read where a route may learn, and on the plain path: never while the learnt path runs.
inline bool Learning() {
    return LEARNT_MOUSE_ROUTING_AVAILABLE && learning.load(std::memory_order_relaxed);
}

}  // namespace

void SetMouseRouting(MouseRouting routing) {
    learning.store(LEARNT_MOUSE_ROUTING_AVAILABLE && routing == MouseRouting::Learnt,
                   std::memory_order_relaxed);
}

MouseRouting GetMouseRouting() {
    return Learning() ? MouseRouting::Learnt : MouseRouting::Plain;
}

SimpleWorkflow::SimpleWorkflow(const du::Symbol& name) : Workflow(name) {
#ifdef WORKFLOW_KNOWS_DEFAULT_TRACE_CHOICE
    if (!defaultTraceChoice.load(std::memory_order_relaxed)) {
        defaultTraceChoice.store(TraceChoiceOf(this), std::memory_order_relaxed);
    }
#endif
}

SimpleWorkflow::SimpleWorkflow(const SimpleWorkflow& other) = default;
SimpleWorkflow& SimpleWorkflow::operator=(const SimpleWorkflow& other) = default;
SimpleWorkflow::~SimpleWorkflow() = default;

// The manager's switch, then the workflow's own choice, are asked even when nobody listens (an override of
// TraceMouseAndKeys sees every routed input); only composing a line that nobody can read is skipped.
[[gnu::always_inline]] inline bool SimpleWorkflow::TracingWanted() const {
    const WorkflowManagerImpl* manager = GetManager();
    if (!manager) {
        return false;
    }
    const WorkflowManagerImpl::TraceState state = manager->GetTraceState();
    return state != WorkflowManagerImpl::TraceState::Off && TraceMouseAndKeys() &&
           state == WorkflowManagerImpl::TraceState::Heard;
}

[[gnu::always_inline]] inline void SimpleWorkflow::RecordMouse(int x, int y, short delta) {
    mouseX_ = x;
    mouseY_ = y;
    mouseDelta_ = delta;
    mouseValid_ = true;
}

// The plain mouse rows are the hot path of every dispatch. A workflow known to keep the default trace choice,
// with nobody listening, is routed without a call but the handler's, which is jumped to; every other case
// takes the traced path, which asks TraceMouseAndKeys.
[[gnu::always_inline]] inline bool SimpleWorkflow::TracedPathNeeded() const {
    const WorkflowManagerImpl* manager = GetManager();
    if (manager && manager->GetTraceState() != WorkflowManagerImpl::TraceState::Off) [[likely]] {
        return traceChoice_.value != TraceChoice::Default ||
               manager->GetTraceState() == WorkflowManagerImpl::TraceState::Heard;
    }
    return false;
}

// A mouse row whose handler's code is known.
[[gnu::always_inline]] inline bool SimpleWorkflow::RouteKnownMouse(const Msg& message,
                                                                   const HandledType& entry) {
    if (TracedPathNeeded()) [[unlikely]] {
        return RouteMouseTraced(message, entry.mouseHandler);
    }
    const auto& mouse = static_cast<const MouseMsg&>(message);
    RecordMouse(mouse.GetX(), mouse.GetY(), 0);
    return entry.resolved.code(this, mouse.GetX(), mouse.GetY());
}

[[gnu::noinline]] bool SimpleWorkflow::RouteMouse(const Msg& message, const HandledType& entry) {
    if (TracedPathNeeded()) {
        return RouteMouseTraced(message, entry.mouseHandler);
    }
    const auto& mouse = static_cast<const MouseMsg&>(message);
    RecordMouse(mouse.GetX(), mouse.GetY(), 0);
#ifdef WORKFLOW_KNOWS_DEFAULT_TRACE_CHOICE
    if (Learning()) {
        entry.resolved.code = HandlerCodeOf(this, entry.mouseHandler);
    }
#endif
    return (this->*entry.mouseHandler)(mouse.GetX(), mouse.GetY());
}

// A mouse row on the plain path: the trace choice is asked on every route while tracing is on.
[[gnu::always_inline]] inline bool SimpleWorkflow::RoutePlainMouse(const Msg& message, MouseHandler handler) {
    const auto& mouse = static_cast<const MouseMsg&>(message);
    if (TracingWanted()) [[unlikely]] {
        OutputTraceString(trace_lines::MouseLine(mouse.GetName(), mouse.GetX(), mouse.GetY(), 0));
    }
    RecordMouse(mouse.GetX(), mouse.GetY(), 0);
    return (this->*handler)(mouse.GetX(), mouse.GetY());
}

[[gnu::noinline]] bool SimpleWorkflow::RouteMouseTraced(const Msg& message, MouseHandler handler) {
#ifdef WORKFLOW_KNOWS_DEFAULT_TRACE_CHOICE
    if (traceChoice_.value == TraceChoice::Unknown && Learning()) {
        traceChoice_.value = TraceChoiceOf(this) == defaultTraceChoice.load(std::memory_order_relaxed)
                                 ? TraceChoice::Default
                                 : TraceChoice::Own;
    }
#endif
    const auto& mouse = static_cast<const MouseMsg&>(message);
    if (TracingWanted()) {
        OutputTraceString(trace_lines::MouseLine(mouse.GetName(), mouse.GetX(), mouse.GetY(), 0));
    }
    RecordMouse(mouse.GetX(), mouse.GetY(), 0);
    return (this->*handler)(mouse.GetX(), mouse.GetY());
}

bool SimpleWorkflow::HandleMsg(const Msg& message) {
    const du::Symbol& name = message.GetName();
    const std::vector<HandledType>& handled =
        __builtin_expect(active_, true) ? handledWhenActive_ : handledWhenInactive_;
    for (const HandledType& entry : handled) {
        if (entry.type == name) {
            // A known mouse row first: its name is no modifier key, so there is no modifier state to track.
            if (entry.resolved.code) [[likely]] {
                return RouteKnownMouse(message, entry);
            }
            if (entry.mouseHandler && !Learning()) [[likely]] {
                return RoutePlainMouse(message, entry.mouseHandler);
            }
            return RouteFirst(message, entry);
        }
    }
    // The modifier state is tracked before the filter: a workflow knows the keys even for messages it
    // does not handle, active or not.
    if (name == ConstStrings::MsgModifierKey) [[unlikely]] {
        TrackModifiers(static_cast<const KeyMsg&>(message));
    }
    return false;
}

[[gnu::noinline]] bool SimpleWorkflow::RouteFirst(const Msg& message, const HandledType& entry) {
    if (message.GetName() == ConstStrings::MsgModifierKey) {
        TrackModifiers(static_cast<const KeyMsg&>(message));
    }
    return entry.mouseHandler ? RouteMouse(message, entry) : RunRow(entry.row, message);
}

[[gnu::noinline]] void SimpleWorkflow::TrackModifiers(const KeyMsg& key) {
    controlPressed_ = key.GetControlPressed();
    shiftPressed_ = key.GetShiftPressed();
    altPressed_ = key.GetAltPressed();
    TraceModifiers(controlPressed_, shiftPressed_, altPressed_);
}

bool SimpleWorkflow::RunRow(std::uint8_t row, const Msg& message) {
    switch (row) {
        case TIMER: {
            const auto& timer = static_cast<const TimerMsg&>(message);
            return OnMsgTimer(timer.GetAbsTime(), timer.GetDeltaTime());
        }
        case MODIFIER_KEY: {
            const auto& key = static_cast<const KeyMsg&>(message);
            TraceModifiers(key.GetControlPressed(), key.GetShiftPressed(), key.GetAltPressed());
            return OnMsgModifierKey(key.GetControlPressed(), key.GetShiftPressed(), key.GetAltPressed());
        }
        case KEY_PRESS: {
            const auto& key = static_cast<const KeyMsg&>(message);
            if (TracingWanted()) {
                OutputTraceString(
                    trace_lines::KeyLine(message.GetName(), key.GetUtf8Key(), key.GetSystemKey()));
            }
            return OnMsgKeyPress(key.GetUtf8Key(), key.GetSystemKey());
        }
        case TOUCH: {
            const auto& t = static_cast<const TouchMsg&>(message);
            return OnMsgTouch(t.GetMsg(), t.GetNumInputs(), t.GetId1(), t.GetX1(), t.GetY1(), t.GetTime1(),
                              t.GetFlag1(), t.GetId2(), t.GetX2(), t.GetY2(), t.GetTime2(), t.GetFlag2(),
                              t.GetId3(), t.GetX3(), t.GetY3(), t.GetTime3(), t.GetFlag3(), t.GetId4(),
                              t.GetX4(), t.GetY4(), t.GetTime4(), t.GetFlag4(), t.GetId5(), t.GetX5(),
                              t.GetY5(), t.GetTime5(), t.GetFlag5(), t.GetId6(), t.GetX6(), t.GetY6(),
                              t.GetTime6(), t.GetFlag6(), t.GetId7(), t.GetX7(), t.GetY7(), t.GetTime7(),
                              t.GetFlag7(), t.GetId8(), t.GetX8(), t.GetY8(), t.GetTime8(), t.GetFlag8(),
                              t.GetId9(), t.GetX9(), t.GetY9(), t.GetTime9(), t.GetFlag9(), t.GetId10(),
                              t.GetX10(), t.GetY10(), t.GetTime10(), t.GetFlag10());
        }
        case MOUSE_LEAVE:
            if (TracingWanted()) {
                OutputTraceString(trace_lines::PlainLine(message.GetName()));
            }
            return OnMsgMouseLeave();
        case MOUSE_WHEEL: {
            const auto& mouse = static_cast<const MouseMsg&>(message);
            if (TracingWanted()) {
                OutputTraceString(
                    trace_lines::MouseLine(message.GetName(), mouse.GetX(), mouse.GetY(), mouse.GetDelta()));
            }
            RecordMouse(mouse.GetX(), mouse.GetY(), mouse.GetDelta());
            return OnMsgMouseWheel(mouse.GetX(), mouse.GetY(), mouse.GetDelta());
        }
        case RESET:
            return OnMsgReset();
        case UPDATE_STATUS_BAR:
            return OnMsgUpdateStatusBar();
        case UPDATE_CURSOR:
            if (TracingWanted()) {
                OutputTraceString(trace_lines::PlainLine(message.GetName()));
            }
            return OnMsgUpdateCursor();
        case SET_MODE: {
            // A mode message addresses one workflow by name, or every workflow with the empty name.
            const auto& mode = static_cast<const ModeMsg&>(message);
            if (mode.GetWorkflowName() != GetWorkflowName() && mode.GetWorkflowName() != du::Symbol::EMPTY) {
                return false;
            }
            return OnMsgMode(mode.GetWorkflowName(), mode.GetModeString(), mode.GetModePtr(),
                             mode.GetModeNumber());
        }
        case SET_PAGE:
            return OnMsgSetPage(static_cast<const PageMsg&>(message).GetPage());
        case TOGGLE_COMPONENT_ROTATE:
            return OnMsgToggleComponentRotate();
        case SELECTION_CHANGED: {
            const auto& selection = static_cast<const SelectionMsg&>(message);
            return OnMsgSelectionChanged(selection.GetListID(), selection.GetClearSelection(),
                                         selection.GetRemoveItems(), selection.GetAddItems());
        }
        case WINDOW_SIZE: {
            const auto& size = static_cast<const WindowSizeMsg&>(message);
            return OnMsgWindowSize(size.GetWidth(), size.GetHeight());
        }
        case MOVE_SHAPE_INSTANCE:
            return OnMsgMoveShapeInstance(static_cast<const ShapeInstanceMsg&>(message).GetShapeInstances());
        case SHAPE_INSTANCE_VISIBILITY:
            return OnMsgShapeInstanceVisibility(
                static_cast<const ShapeInstanceMsg&>(message).GetShapeInstances());
        case SHAPE_INSTANCE_CREATE:
            return OnMsgShapeInstanceCreate(
                static_cast<const ShapeInstanceMsg&>(message).GetShapeInstances());
        case SHAPE_INSTANCE_REMOVE:
            return OnMsgShapeInstanceRemove(
                static_cast<const ShapeInstanceMsg&>(message).GetShapeInstances());
        case SHAPE_INSTANCE_MARKUP_OVERRIDE: {
            const auto& markup = static_cast<const ShapeInstanceMarkupOverrideMsg&>(message);
            return OnMsgShapeInstanceMarkupOverride(markup.GetShapeInstance(), markup.GetMarkupOverride());
        }
        case SHAPE_INSTANCE_MARKUP_OVERRIDE_INIT:
            return OnMsgShapeInstanceMarkupOverrideInit(
                static_cast<const ShapeInstanceMarkupOverrideInitMsg&>(message).GetShapeInstance());
        case VIEW_PROJECTION:
            return OnMsgViewProjection();
        case MOTION_EVENT: {
            const auto& motion = static_cast<const MotionMsg&>(message);
            long long tx, ty, tz, rx, ry, rz;
            motion.GetTranslation(tx, ty, tz);
            motion.GetRotation(rx, ry, rz);
            return OnMotionEvent(tx, ty, tz, rx, ry, rz, motion.GetPeriod());
        }
        case ADD_ANNOTATION:
            return OnMsgAddAnnotation(static_cast<const AnnotationMsg&>(message).GetAnnotation());
        case REMOVE_ANNOTATION:
            return OnMsgRemoveAnnotation(static_cast<const AnnotationMsg&>(message).GetAnnotation());
        case WORKFLOW_CHANGED: {
            const auto& change = static_cast<const WorkflowChangedMsg&>(message);
            // Our own reference: the handler may drop the last other one (say, by uninstalling it).
            const du::SmartPtr<Workflow> announced = change.GetWorkflow();
            return OnMsgWorkflowChanged(announced, change.GetPriority(), change.GetAdd());
        }
        case ANIMATION_FINISHED:
            return OnMsgAnimationFinished();
        case ANIMATION_FINISHED_FOR_OPEN_NEW_SHAPE_VIEW_BASE:
            return OnMsgAnimationFinishedForOpenNewShapeViewBase();
        default:
            return false;  // handled, but no handler of this class routes it
    }
}

void SimpleWorkflow::TraceModifiers(bool control, bool shift, bool alt) {
    if (TracingWanted()) {
        OutputTraceString(trace_lines::ModifierLine(control, shift, alt));
    }
}

void SimpleWorkflow::HandleTraceString(const std::string& line) {
    std::unique_ptr<dg::XmlElem> element = dg::ParseXml(line, false, nullptr);
    if (!element) {
        return;
    }
    const du::Symbol tag = element->GetTag();
    auto boolAttribute = [&](const char* attribute, bool fallback) {
        std::size_t index = element->FindAttribute(attribute);
        return index == dg::XmlElem::npos ? fallback : element->GetAttributeBool(index);
    };
    auto intAttribute = [&](const char* attribute) {
        std::size_t index = element->FindAttribute(attribute);
        return index == dg::XmlElem::npos ? 0 : element->GetAttributeInt(index);
    };

    // The prefixed modifier line restores the state only; the plain one below calls the handler.
    if (tag == trace_lines::ModifierTag()) {
        controlPressed_ = boolAttribute("ctrl", controlPressed_);
        shiftPressed_ = boolAttribute("shift", shiftPressed_);
        altPressed_ = boolAttribute("alt", altPressed_);
    }

    const std::uint8_t row = RowOf(tag);
    const MouseHandler handler = MouseHandlerOf(row);
    if (handler || row == MOUSE_WHEEL) {
        // A line with a negative coordinate replays nothing.
        const int x = intAttribute("mouseX");
        const int y = intAttribute("mouseY");
        if (x >= 0 && y >= 0) {
            const auto delta = static_cast<short>(intAttribute("mouseDelta"));
            RecordMouse(x, y, delta);
            handler ? (this->*handler)(x, y) : OnMsgMouseWheel(x, y, delta);
        }
        return;
    }
    switch (row) {
        case MODIFIER_KEY:
            OnMsgModifierKey(boolAttribute("ctrl", false), boolAttribute("shift", false),
                             boolAttribute("alt", false));
            break;
        case KEY_PRESS: {
            std::size_t keyIndex = element->FindAttribute("utf8Key");
            std::size_t systemIndex = element->FindAttribute("systemKey");
            const std::string key =
                keyIndex == dg::XmlElem::npos ? std::string() : element->GetAttributeString(keyIndex);
            const du::Symbol systemKey = systemIndex == dg::XmlElem::npos
                                             ? du::Symbol()
                                             : du::Symbol(element->GetAttributeString(systemIndex));
            OnMsgKeyPress(key, systemKey);
            break;
        }
        case MOUSE_LEAVE:
            OnMsgMouseLeave();
            break;
        case UPDATE_CURSOR:
            OnMsgUpdateCursor();
            break;
        default:
            break;
    }
}

void SimpleWorkflow::SetActive(bool active) {
    if (active == active_) {
        return;
    }
    active_ = active;
    if (active) {
        OnActivate();
        return;
    }
    OnDeactivate();
    // An inactive workflow gives up its exclusive claims.
    if (WorkflowManagerImpl* manager = GetManager()) {
        du::SmartPtr<Workflow> self(this);
        if (manager->HoldsExclusive(self)) {
            manager->UnsetExclusive(self);
        }
    }
}

void SimpleWorkflow::AddMsgTypeHandled(const du::Symbol& type, bool alsoWhenInactive) {
    const std::uint8_t row = RowOf(type);
    const HandledType entry{type, row, MouseHandlerOf(row), {}};
    handledWhenActive_.push_back(entry);
    if (alsoWhenInactive) {
        handledWhenInactive_.push_back(entry);
    }
}

void SimpleWorkflow::RemoveMsgTypeHandled(const du::Symbol& type, bool alsoWhenInactive) {
    EraseType(handledWhenActive_, type);
    if (alsoWhenInactive) {
        EraseType(handledWhenInactive_, type);
    }
}

void SimpleWorkflow::RemoveAllMsgTypesHandled() {
    handledWhenActive_.clear();
    handledWhenInactive_.clear();
}

bool SimpleWorkflow::GetMouseXY(int& x, int& y) const {
    x = mouseValid_ ? mouseX_ : 0;
    y = mouseValid_ ? mouseY_ : 0;
    return mouseValid_;
}

bool SimpleWorkflow::DoMouseAction(MouseHandler handler, int x, int y) {
    RecordMouse(x, y, 0);
    return (this->*handler)(x, y);
}

bool SimpleWorkflow::DoMouseAction(WheelHandler handler, int x, int y, short delta) {
    RecordMouse(x, y, delta);
    return (this->*handler)(x, y, delta);
}

// Defined here, not inline in the header, so that every library's vtables name this one function.
bool SimpleWorkflow::TraceMouseAndKeys() const {
    return true;
}

// The default handlers consume nothing.
bool SimpleWorkflow::OnMsgModifierKey(bool control, bool shift, bool alt) {
    controlPressed_ = control;
    shiftPressed_ = shift;
    altPressed_ = alt;
    return false;
}
bool SimpleWorkflow::OnMsgKeyPress(const std::string&, const du::Symbol&) {
    return false;
}
bool SimpleWorkflow::OnMsgDoubleClickLeft(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgDoubleClickMiddle(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgDoubleClickRight(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgClickLeft(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgClickMiddle(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgClickRight(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseLeftDown(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseMiddleDown(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseRightDown(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseLeftUp(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseMiddleUp(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseRightUp(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseMove(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseLeave() {
    return false;
}
bool SimpleWorkflow::OnMsgMouseInitLeftDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseInitMiddleDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseInitRightDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseLeftDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseMiddleDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseRightDrag(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMouseWheel(int, int, short) {
    return false;
}
bool SimpleWorkflow::OnMsgMode(const du::Symbol&, const du::Symbol&, const du::SmartPtr<du::RefCounted>&,
                               int) {
    return false;
}
bool SimpleWorkflow::OnMsgSetPage(int) {
    return false;
}
bool SimpleWorkflow::OnMsgReset() {
    return false;
}
bool SimpleWorkflow::OnMsgUpdateStatusBar() {
    return false;
}
bool SimpleWorkflow::OnMsgUpdateCursor() {
    return false;
}
bool SimpleWorkflow::OnMsgToggleComponentRotate() {
    return false;
}
bool SimpleWorkflow::OnMsgSelectionChanged(unsigned int listId, bool clear,
                                           const SelectionItems& removedItems,
                                           const SelectionItems& addedItems) {
    return listId == 0 && OnMsgSelectionChanged(clear, removedItems, addedItems);
}
bool SimpleWorkflow::OnMsgSelectionChanged(bool, const SelectionItems&, const SelectionItems&) {
    return false;
}
bool SimpleWorkflow::OnMsgTimer(long long, long long) {
    return false;
}
bool SimpleWorkflow::OnMsgWindowSize(int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgMoveShapeInstance(const ShapeInstances&) {
    return false;
}
bool SimpleWorkflow::OnMsgShapeInstanceVisibility(const ShapeInstances&) {
    return false;
}
bool SimpleWorkflow::OnMsgShapeInstanceCreate(const ShapeInstances&) {
    return false;
}
bool SimpleWorkflow::OnMsgShapeInstanceRemove(const ShapeInstances&) {
    return false;
}
bool SimpleWorkflow::OnMsgShapeInstanceMarkupOverride(const du::SmartPtr<rzk::ShapeInstance>&,
                                                      const du::ConstSmartPtr<rzk::GeomMarkupOverride>&) {
    return false;
}
bool SimpleWorkflow::OnMsgShapeInstanceMarkupOverrideInit(const du::SmartPtr<rzk::ShapeInstance>&) {
    return false;
}
bool SimpleWorkflow::OnMsgViewProjection() {
    return false;
}
bool SimpleWorkflow::OnMsgWorkflowChanged(const du::SmartPtr<Workflow>&, unsigned int, bool) {
    return false;
}
bool SimpleWorkflow::OnMotionEvent(long long, long long, long long, long long, long long, long long,
                                   unsigned long long) {
    return false;
}
bool SimpleWorkflow::OnMsgTouch(int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                int, int, int, int, int, int, int, int, int, int, int, int, int, int, int,
                                int, int, int, int, int, int, int) {
    return false;
}
bool SimpleWorkflow::OnMsgAddAnnotation(const du::SmartPtr<rzk::Annotation>&) {
    return false;
}
bool SimpleWorkflow::OnMsgRemoveAnnotation(const du::SmartPtr<rzk::Annotation>&) {
    return false;
}
bool SimpleWorkflow::OnMsgAnimationFinished() {
    return false;
}
bool SimpleWorkflow::OnMsgAnimationFinishedForOpenNewShapeViewBase() {
    return false;
}

}  // namespace workflow
