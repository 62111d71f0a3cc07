#include "Command.h"

#include <algorithm>

namespace session {
namespace {

struct VerbName {
    const char* operator()(const WindowInput& input) const { return std::visit(*this, input); }
    const char* operator()(const HostCall& call) const { return std::visit(*this, call); }
    const char* operator()(const Down&) const { return "down"; }
    const char* operator()(const Up&) const { return "up"; }
    const char* operator()(const Move&) const { return "move"; }
    const char* operator()(const DoubleClick&) const { return "dblclick"; }
    const char* operator()(const Wheel&) const { return "wheel"; }
    const char* operator()(const Key&) const { return "key"; }
    const char* operator()(const ModifierKey&) const { return "mod"; }
    const char* operator()(const Size&) const { return "size"; }
    const char* operator()(const Leave&) const { return "leave"; }
    const char* operator()(const Touch&) const { return "touch"; }
    const char* operator()(const Motion&) const { return "motion"; }
    const char* operator()(const Add&) const { return "add"; }
    const char* operator()(const Remove&) const { return "remove"; }
    const char* operator()(const Persistent&) const { return "persistent"; }
    const char* operator()(const Select&) const { return "select"; }
    const char* operator()(const Mode&) const { return "mode"; }
    const char* operator()(const Page&) const { return "page"; }
    const char* operator()(const Cursor&) const { return "cursor"; }
    const char* operator()(const View&) const { return "view"; }
    const char* operator()(const Focus&) const { return "focus"; }
    const char* operator()(const Activate&) const { return "activate"; }
    const char* operator()(const Angles&) const { return "angles"; }
    const char* operator()(const Load&) const { return "load"; }
    const char* operator()(const Tick&) const { return "tick"; }
    const char* operator()(const Query&) const { return "query"; }
    const char* operator()(const Trace&) const { return "trace"; }
    const char* operator()(const Replay&) const { return "replay"; }
    const char* operator()(const Pick&) const { return "pick"; }
    const char* operator()(const PickBox&) const { return "pick-box"; }
    const char* operator()(const Bounds&) const { return "bounds"; }
    const char* operator()(const Print&) const { return "print"; }
    const char* operator()(const Expect&) const { return "expect"; }
};

}  // namespace

std::string VerbOf(const Command& command) {
    return std::visit(VerbName{}, command);
}

std::array<int, 4> BoxCorners(int x0, int y0, int x1, int y1) {
    return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

std::array<int, TOUCH_VALUES> TouchValues(const Touch& touch) {
    std::array<int, TOUCH_VALUES> values{};
    values[0] = touch.message;
    values[1] = touch.inputs;
    for (std::size_t i = 0; i < Touch::POINTS; ++i) {
        const Touch::Point& p = touch.points[i];
        const std::size_t at = 2 + 5 * i;
        values[at] = p.id;
        values[at + 1] = p.x;
        values[at + 2] = p.y;
        values[at + 3] = p.time;
        values[at + 4] = p.flag;
    }
    return values;
}

Touch TouchFrom(const std::array<int, TOUCH_VALUES>& values) {
    Touch touch;
    touch.message = values[0];
    touch.inputs = values[1];
    for (std::size_t i = 0; i < Touch::POINTS; ++i) {
        const std::size_t at = 2 + 5 * i;
        touch.points[i] = {values[at], values[at + 1], values[at + 2], values[at + 3], values[at + 4]};
    }
    return touch;
}

const char* ButtonName(Button button) {
    static const char* const names[] = {"left", "middle", "right"};
    return names[static_cast<int>(button)];
}

const char* ModifierName(Modifier modifier) {
    static const char* const names[] = {"ctrl", "alt", "shift"};
    return names[static_cast<int>(modifier)];
}

const char* ViewKindName(ViewKind kind) {
    static const char* const names[] = {"shape", "drawing", "image"};
    return names[static_cast<int>(kind)];
}

const char* StateName(State state) {
    static const char* const names[] = {"camera", "selection"};
    return names[static_cast<int>(state)];
}

const char* ExpectationName(Expectation what) {
    static const char* const names[] = {"status", "status-field", "cursor",    "workflow", "handled",
                                        "camera", "selection",    "exception", "routed",   "not-offered"};
    return names[static_cast<int>(what)];
}

}  // namespace session
