#include "support/MessageLog.h"

#include <algorithm>
#include <string>

#include "messages/ConstStrings.h"
#include "messages/KeyMsg.h"
#include "messages/MouseMsg.h"
#include "messages/TypedMessages.h"

namespace testing_support {
namespace {

using workflow::ConstStrings;

bool IsOneOf(const du::Symbol& name, std::initializer_list<du::Symbol> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Join(std::initializer_list<std::string> parts) {
    std::string text;
    bool first = true;
    for (const std::string& part : parts) {
        text += (first ? "" : ",") + part;
        first = false;
    }
    return text;
}

std::string Flags(bool control, bool shift, bool alt) {
    std::string flags;
    for (auto [held, name] : {std::pair{control, "ctrl"}, {shift, "shift"}, {alt, "alt"}}) {
        if (held) {
            flags += (flags.empty() ? "" : ",") + std::string(name);
        }
    }
    return flags;
}

std::string Payload(const workflow::Msg& message) {
    using std::to_string;
    const du::Symbol& name = message.GetName();
    if (name == ConstStrings::MsgMouseWheel) {
        const auto& mouse = static_cast<const workflow::MouseMsg&>(message);
        return Join({to_string(mouse.GetX()), to_string(mouse.GetY()), to_string(mouse.GetDelta())});
    }
    if (IsOneOf(name, {ConstStrings::MsgClickLeft, ConstStrings::MsgClickMiddle, ConstStrings::MsgClickRight,
                       ConstStrings::MsgMouseLeftDown, ConstStrings::MsgMouseMiddleDown,
                       ConstStrings::MsgMouseRightDown, ConstStrings::MsgMouseLeftUp,
                       ConstStrings::MsgMouseMiddleUp, ConstStrings::MsgMouseRightUp,
                       ConstStrings::MsgDoubleClickLeft, ConstStrings::MsgDoubleClickMiddle,
                       ConstStrings::MsgDoubleClickRight, ConstStrings::MsgMouseInitLeftDrag,
                       ConstStrings::MsgMouseInitMiddleDrag, ConstStrings::MsgMouseInitRightDrag,
                       ConstStrings::MsgMouseLeftDrag, ConstStrings::MsgMouseMiddleDrag,
                       ConstStrings::MsgMouseRightDrag, ConstStrings::MsgMouseMove})) {
        const auto& mouse = static_cast<const workflow::MouseMsg&>(message);
        return Join({to_string(mouse.GetX()), to_string(mouse.GetY())});
    }
    if (name == ConstStrings::MsgKeyPress || name == ConstStrings::MsgModifierKey) {
        const auto& key = static_cast<const workflow::KeyMsg&>(message);
        std::string text = name == ConstStrings::MsgModifierKey ? ""
                           : key.GetUtf8Key().empty()           ? "<" + key.GetSystemKey().ToString() + ">"
                                                                : key.GetUtf8Key();
        std::string flags = Flags(key.GetControlPressed(), key.GetShiftPressed(), key.GetAltPressed());
        return text.empty() || flags.empty() ? text + flags : text + "," + flags;
    }
    if (name == ConstStrings::MsgTimer) {
        const auto& timer = static_cast<const workflow::TimerMsg&>(message);
        return Join({to_string(timer.GetAbsTime()), to_string(timer.GetDeltaTime())});
    }
    if (name == ConstStrings::MsgWindowSize) {
        const auto& size = static_cast<const workflow::WindowSizeMsg&>(message);
        return Join({to_string(size.GetWidth()), to_string(size.GetHeight())});
    }
    if (name == ConstStrings::MsgMotionEvent) {
        long long t[3];
        long long r[3];
        static_cast<const workflow::MotionMsg&>(message).GetTranslation(t[0], t[1], t[2]);
        static_cast<const workflow::MotionMsg&>(message).GetRotation(r[0], r[1], r[2]);
        return Join({to_string(t[0]), to_string(t[1]), to_string(t[2]), to_string(r[0]), to_string(r[1]),
                     to_string(r[2])});
    }
    if (name == ConstStrings::MsgTouch) {
        std::string text;
        for (int value : TouchValues(static_cast<const workflow::TouchMsg&>(message))) {
            text += (text.empty() ? "" : ",") + to_string(value);
        }
        return text;
    }
    if (name == ConstStrings::MsgSetMode) {
        const auto& mode = static_cast<const workflow::ModeMsg&>(message);
        return Join({mode.GetWorkflowName().ToString(), mode.GetModeString().ToString(),
                     mode.GetModePtr() ? "object" : "null", to_string(mode.GetModeNumber())});
    }
    if (name == ConstStrings::MsgSelectionChanged) {
        const auto& selection = static_cast<const workflow::SelectionMsg&>(message);
        return Join({to_string(selection.GetListID()), selection.GetClearSelection() ? "clear" : "keep",
                     "-" + to_string(selection.GetRemoveItems().size()),
                     "+" + to_string(selection.GetAddItems().size())});
    }
    if (IsOneOf(name, {ConstStrings::MsgMoveShapeInstance, ConstStrings::MsgShapeInstanceCreate,
                       ConstStrings::MsgShapeInstanceRemove, ConstStrings::MsgShapeInstanceVisibility})) {
        return to_string(static_cast<const workflow::ShapeInstanceMsg&>(message).GetShapeInstances().size());
    }
    return "";
}

}  // namespace

std::array<int, 52> TouchValues(const workflow::TouchMsg& t) {
    return {t.GetMsg(),   t.GetNumInputs(), t.GetId1(),    t.GetX1(),    t.GetY1(),    t.GetTime1(),
            t.GetFlag1(), t.GetId2(),       t.GetX2(),     t.GetY2(),    t.GetTime2(), t.GetFlag2(),
            t.GetId3(),   t.GetX3(),        t.GetY3(),     t.GetTime3(), t.GetFlag3(), t.GetId4(),
            t.GetX4(),    t.GetY4(),        t.GetTime4(),  t.GetFlag4(), t.GetId5(),   t.GetX5(),
            t.GetY5(),    t.GetTime5(),     t.GetFlag5(),  t.GetId6(),   t.GetX6(),    t.GetY6(),
            t.GetTime6(), t.GetFlag6(),     t.GetId7(),    t.GetX7(),    t.GetY7(),    t.GetTime7(),
            t.GetFlag7(), t.GetId8(),       t.GetX8(),     t.GetY8(),    t.GetTime8(), t.GetFlag8(),
            t.GetId9(),   t.GetX9(),        t.GetY9(),     t.GetTime9(), t.GetFlag9(), t.GetId10(),
            t.GetX10(),   t.GetY10(),       t.GetTime10(), t.GetFlag10()};
}

std::string DescribeMessage(const workflow::Msg& message) {
    std::string payload = Payload(message);
    const bool bare = payload.empty() && message.GetName() != ConstStrings::MsgKeyPress &&
                      message.GetName() != ConstStrings::MsgModifierKey;
    return message.GetName().ToString() + (bare ? "" : "(" + payload + ")");
}

MessageLog::MessageLog(unsigned int priority) : Workflow("log") {
    SetPriority(priority);
}

bool MessageLog::HandleMsg(const workflow::Msg& message) {
    lines.push_back(DescribeMessage(message));
    if (onMessage) {
        onMessage(message);
    }
    return false;
}

std::vector<std::string> MessageLog::TakeInput() {
    std::vector<std::string> input;
    for (std::string& line : lines) {
        if (line != "MsgUpdateStatusBar") {
            input.push_back(std::move(line));
        }
    }
    lines.clear();
    return input;
}

int MessageLog::CountStatusPasses() const {
    return static_cast<int>(std::count(lines.begin(), lines.end(), std::string("MsgUpdateStatusBar")));
}

}  // namespace testing_support
