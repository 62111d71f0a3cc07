#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "du/Symbol.h"

namespace workflow {

// One thing the flight recorder kept: a window event as the window observer received it, a host call, a
// message of the host or the scene, or a change of the workflow stack; plain values only, so that keeping
// one allocates nothing and a host can turn it into whatever it writes (a session line, a log entry).
// Which fields a kind uses is written beside it; the others stay zero.
struct FlightRecord {
    enum class Kind : std::uint8_t {
        Button,       // a: button (0 left, 1 middle, 2 right, else unknown), flag: down, b, c: x, y
        DoubleClick,  // a: button
        Wheel,        // a: delta, b, c: x, y
        Move,         // b, c: x, y
        Leave,
        Modifier,   // a: modifier (0 ctrl, 1 alt, 2 shift, else unknown), flag: down
        Key,        // Text(): the key's text (cut to KEY_TEXT bytes, textCut then), a: its full length,
                    // first: the system key
        Size,       // a, b: width, height
        Motion,     // motion: translation x, y, z, rotation x, y, z
        Touch,      // a: the touch message, b: how many inputs, touch: the first TOUCH_POINTS points (id, x,
                    // y, time, flag each), textCut: a later point had values, which were not kept
        Selection,  // a: list id, flag: cleared, b, c: how many items were removed and added
        Scene,      // first: a scene or annotation message's name
        // --- Host calls, as the host made them (not what a workflow asked of the manager).
        HostAdd,         // first: name, priority: the priority asked for (0: the workflow's own), flag:
                         // persistent
        HostRemove,      // priority, or first: the name when removed by name
        HostPersistent,  // priority, flag: persistent
        Mode,  // first, second: workflow name and mode string, a: mode number, flag: with a mode object
        Page,  // a: page
        // --- What the host's picker answers at a point (it tells the recorder through ManagerDiagnostics).
        Pick,  // b, c: x, y, serial: the instance answered now, priority: the one answered before (0: none)
        // --- Changes of the stack, whoever made them: the way back to the stack as it was.
        Installed,  // first: name, priority, serial: the installation, flag: persistent
        Removed,    // first: name, priority, serial: its installation, flag: persistent
        Persisted,  // first: name, priority, flag: persistent now
    };
    static constexpr std::size_t KEY_TEXT = 12;     // longer key texts have no session line anyway
    static constexpr std::size_t TOUCH_POINTS = 3;  // a touch of more fingers has no session line

    std::int64_t time = 0;  // the window observer's clock when it was kept
    Kind kind = Kind::Move;
    bool flag = false;
    bool textCut = false;
    std::uint8_t textLength = 0;
    char text[KEY_TEXT] = {};
    int a = 0;
    int b = 0;
    int c = 0;
    unsigned int priority = 0;
    std::uint64_t serial = 0;
    du::Symbol first;
    du::Symbol second;
    // A touch's points or a motion's six values; the kind says which one was written.
    union {
        std::array<int, 5 * TOUCH_POINTS> touch{};
        std::array<std::int64_t, 6> motion;
    };

    std::string_view Text() const { return {text, textLength}; }

    static FlightRecord Button(int button, bool down, int x, int y);
    static FlightRecord DoubleClick(int button);
    static FlightRecord Wheel(int delta, int x, int y);
    static FlightRecord Move(int x, int y);
    static FlightRecord Leave();
    static FlightRecord Modifier(int modifier, bool down);
    static FlightRecord Key(std::string_view text, const du::Symbol& systemKey);
    static FlightRecord Size(int width, int height);
    static FlightRecord Motion(const std::array<std::int64_t, 6>& values);
    // values: the window's 52 touch values (message, inputs, then five per point).
    static FlightRecord Touch(const std::array<int, 52>& values);
    static FlightRecord Mode(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                             bool withObject);
    static FlightRecord Page(int page);
    static FlightRecord Selection(unsigned int listId, bool clear, std::size_t removed, std::size_t added);
    static FlightRecord Scene(const du::Symbol& messageName);
    static FlightRecord HostAdd(const du::Symbol& name, unsigned int priority, bool persistent);
    static FlightRecord HostRemove(unsigned int priority);
    static FlightRecord HostRemove(const du::Symbol& name);
    static FlightRecord HostPersistent(unsigned int priority, bool persistent);
    static FlightRecord Pick(int x, int y, unsigned int instance, unsigned int before);
    static FlightRecord StackChange(Kind kind, const du::Symbol& name, unsigned int priority,
                                    std::uint64_t serial, bool persistent);
};
// A record owns no memory of its own: its symbols are names (interned), so keeping or overwriting one
// allocates and frees nothing.

// --- The records, as the makers above build them.
namespace detail {

inline int Count(std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(count, 1u << 30));
}

inline FlightRecord Empty(FlightRecord::Kind kind) {
    FlightRecord record;
    record.kind = kind;
    return record;
}

}  // namespace detail

inline FlightRecord FlightRecord::Button(int button, bool down, int x, int y) {
    FlightRecord record = detail::Empty(Kind::Button);
    record.flag = down;
    record.a = button;
    record.b = x;
    record.c = y;
    return record;
}

inline FlightRecord FlightRecord::DoubleClick(int button) {
    FlightRecord record = detail::Empty(Kind::DoubleClick);
    record.a = button;
    return record;
}

inline FlightRecord FlightRecord::Wheel(int delta, int x, int y) {
    FlightRecord record = detail::Empty(Kind::Wheel);
    record.a = delta;
    record.b = x;
    record.c = y;
    return record;
}

inline FlightRecord FlightRecord::Move(int x, int y) {
    FlightRecord record = detail::Empty(Kind::Move);
    record.b = x;
    record.c = y;
    return record;
}

inline FlightRecord FlightRecord::Leave() {
    return detail::Empty(Kind::Leave);
}

inline FlightRecord FlightRecord::Modifier(int modifier, bool down) {
    FlightRecord record = detail::Empty(Kind::Modifier);
    record.flag = down;
    record.a = modifier;
    return record;
}

inline FlightRecord FlightRecord::Key(std::string_view text, const du::Symbol& systemKey) {
    FlightRecord record = detail::Empty(Kind::Key);
    const std::size_t length = std::min(text.size(), KEY_TEXT);
    std::copy_n(text.data(), length, record.text);
    record.textLength = static_cast<std::uint8_t>(length);
    record.textCut = length < text.size();
    record.a = detail::Count(text.size());
    record.first = systemKey;
    return record;
}

inline FlightRecord FlightRecord::Size(int width, int height) {
    FlightRecord record = detail::Empty(Kind::Size);
    record.a = width;
    record.b = height;
    return record;
}

inline FlightRecord FlightRecord::Motion(const std::array<std::int64_t, 6>& values) {
    FlightRecord record = detail::Empty(Kind::Motion);
    record.motion = values;
    return record;
}

inline FlightRecord FlightRecord::Touch(const std::array<int, 52>& values) {
    FlightRecord record = detail::Empty(Kind::Touch);
    record.a = values[0];
    record.b = values[1];
    std::copy(values.begin() + 2, values.begin() + 2 + record.touch.size(), record.touch.begin());
    record.textCut = std::any_of(values.begin() + 2 + record.touch.size(), values.end(),
                                 [](int value) { return value != 0; });
    return record;
}

inline FlightRecord FlightRecord::Mode(const du::Symbol& workflowName, const du::Symbol& modeString,
                                       int modeNumber, bool withObject) {
    FlightRecord record = detail::Empty(Kind::Mode);
    record.first = workflowName;
    record.second = modeString;
    record.a = modeNumber;
    record.flag = withObject;
    return record;
}

inline FlightRecord FlightRecord::Page(int page) {
    FlightRecord record = detail::Empty(Kind::Page);
    record.a = page;
    return record;
}

inline FlightRecord FlightRecord::Selection(unsigned int listId, bool clear, std::size_t removed,
                                            std::size_t added) {
    FlightRecord record = detail::Empty(Kind::Selection);
    record.flag = clear;
    record.a = static_cast<int>(listId);
    record.b = detail::Count(removed);
    record.c = detail::Count(added);
    return record;
}

inline FlightRecord FlightRecord::Scene(const du::Symbol& messageName) {
    FlightRecord record = detail::Empty(Kind::Scene);
    record.first = messageName;
    return record;
}

inline FlightRecord FlightRecord::HostAdd(const du::Symbol& name, unsigned int priority, bool persistent) {
    FlightRecord record = detail::Empty(Kind::HostAdd);
    record.first = name;
    record.priority = priority;
    record.flag = persistent;
    return record;
}

inline FlightRecord FlightRecord::HostRemove(unsigned int priority) {
    FlightRecord record = detail::Empty(Kind::HostRemove);
    record.priority = priority;
    return record;
}

inline FlightRecord FlightRecord::HostRemove(const du::Symbol& name) {
    FlightRecord record = detail::Empty(Kind::HostRemove);
    record.first = name;
    return record;
}

inline FlightRecord FlightRecord::HostPersistent(unsigned int priority, bool persistent) {
    FlightRecord record = detail::Empty(Kind::HostPersistent);
    record.priority = priority;
    record.flag = persistent;
    return record;
}

inline FlightRecord FlightRecord::Pick(int x, int y, unsigned int instance, unsigned int before) {
    FlightRecord record = detail::Empty(Kind::Pick);
    record.b = x;
    record.c = y;
    record.serial = instance;
    record.priority = before;
    return record;
}

inline FlightRecord FlightRecord::StackChange(Kind kind, const du::Symbol& name, unsigned int priority,
                                              std::uint64_t serial, bool persistent) {
    FlightRecord record = detail::Empty(kind);
    record.first = name;
    record.priority = priority;
    record.serial = serial;
    record.flag = persistent;
    return record;
}

// What the input that left the recorder's ring still holds: restated before the kept records so that a
// replay starts from the same state.
struct HeldInput {
    bool seen = false;      // some record has left the ring
    std::int64_t time = 0;  // when the last one that left was kept
    bool sized = false;
    int width = 0;
    int height = 0;
    unsigned int modifiers = 0;  // bit per modifier index
    struct Pressed {
        bool down = false;
        int x = 0;
        int y = 0;
    } buttons[3];
    bool pointerKnown = false;
    int x = 0;
    int y = 0;

    void Apply(const FlightRecord& record);
};

// What the recorder holds, taken out: the held state, the records oldest first, and the clock.
struct RecordedInput {
    bool recording = false;   // false: the recorder was off and holds nothing
    std::int64_t origin = 0;  // when the view's timers started: a replay's time 0
    std::int64_t now = 0;     // the clock when taken
    HeldInput held;
    std::vector<FlightRecord> records;
};

}  // namespace workflow
