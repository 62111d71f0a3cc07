#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "workflows/TouchGestures.h"

namespace session {

// The session language as values: one small struct per verb, compared word for word. Parse makes them from
// text and Format writes them back; both hosts run them, and the viewer makes them from live input
// directly. Numbers hold what the words said, checked against their ranges when read.

enum class Button { Left, Middle, Right };
enum class Modifier { Ctrl, Alt, Shift };

// --- Window input: what a person does in the window, posted to the plug-in's window observer.
struct Down {
    Button button = Button::Left;
    int x = 0;
    int y = 0;
    bool operator==(const Down&) const = default;
};
struct Up {
    Button button = Button::Left;
    int x = 0;
    int y = 0;
    bool operator==(const Up&) const = default;
};
struct Move {
    int x = 0;
    int y = 0;
    bool operator==(const Move&) const = default;
};
struct DoubleClick {
    Button button = Button::Left;
    bool operator==(const DoubleClick&) const = default;
};
struct Wheel {
    short delta = 0;  // -120 is one notch towards the user
    int x = 0;
    int y = 0;
    bool operator==(const Wheel&) const = default;
};
struct Key {
    std::string key;  // one character, or a key's name (Escape, F5, ...)
    bool operator==(const Key&) const = default;
};
struct ModifierKey {
    Modifier modifier = Modifier::Ctrl;
    bool down = true;
    bool operator==(const ModifierKey&) const = default;
};
struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};
struct Leave {
    bool operator==(const Leave&) const = default;
};
// A touch event as the window reports it: the touch message and the number of inputs, then up to ten
// points of five values each (id, x, y, time, flag). Written as "touch MESSAGE INPUTS" and the points up
// to the last one that is not all zero, so any 52 values read back as they were.
struct Touch {
    static constexpr std::size_t POINTS = workflow::TouchGestures::MAX_POINTS;
    using Point = workflow::TouchGestures::Point;
    int message = 0;
    int inputs = 0;
    std::array<Point, POINTS> points{};
    bool operator==(const Touch&) const = default;
};
// A 3D mouse's motion: translation along x, y, z, then rotation about them, in the device's units.
struct Motion {
    std::array<std::int64_t, 6> values{};
    bool operator==(const Motion&) const = default;
};
using WindowInput =
    std::variant<Down, Up, Move, DoubleClick, Wheel, Key, ModifierKey, Size, Leave, Touch, Motion>;

// --- Host calls: what a host asks of the view's manager.
struct Add {
    std::string name;
    std::optional<unsigned int> priority;  // the workflow's own when not given
    bool persistent = false;
    bool operator==(const Add&) const = default;
};
struct Remove {
    std::string name;                      // when no priority is given
    std::optional<unsigned int> priority;  // a word that is a number names a priority
    bool operator==(const Remove&) const = default;
};
struct Persistent {
    unsigned int priority = 0;
    bool on = true;
    bool operator==(const Persistent&) const = default;
};
enum class SelectionChange { Add, Remove, Clear };
struct Select {
    SelectionChange change = SelectionChange::Clear;
    int id = 0;  // 0 with clear
    bool operator==(const Select&) const = default;
};
struct Mode {
    std::string workflow;
    std::string mode;
    std::optional<int> number;  // 0 is sent when not given
    bool operator==(const Mode&) const = default;
};
struct Page {
    int page = 0;
    bool operator==(const Page&) const = default;
};
struct Cursor {
    unsigned int priority = 0;
    std::string name;  // "none" withdraws the request
    bool operator==(const Cursor&) const = default;
};
using HostCall = std::variant<Add, Remove, Persistent, Select, Mode, Page, Cursor>;

// --- The rest: each host runs these its own way.
enum class ViewKind { Shape, Drawing, Image };
// The view a session drives: of kind, or several views of one document (each with its own window, camera
// and workflows, sharing the document's selection), of which the first is focused and active.
struct View {
    ViewKind kind = ViewKind::Shape;
    int count = 1;  // 1 to MAX_VIEWS
    bool operator==(const View&) const = default;
};
// The host turns the focused view's camera to these angles, in degrees, as a host's standard views do.
struct Angles {
    double yaw = 0;
    double pitch = 0;
    bool operator==(const Angles&) const = default;
};
// Which of several views the lines that follow go to, counted from 1.
struct Focus {
    int view = 1;
    bool operator==(const Focus&) const = default;
};
// The host makes a view the active one, as a click into it does: its window observer is asked about the
// activation while the view is still inactive, then it becomes active and the one before inactive.
struct Activate {
    int view = 1;
    bool operator==(const Activate&) const = default;
};
struct Load {
    std::string path;  // a folder or one library
    bool operator==(const Load&) const = default;
};
struct Tick {
    std::int64_t length = 0;  // milliseconds, at most MAX_TICK
    bool operator==(const Tick&) const = default;
};
struct Query {
    std::string name;
    bool operator==(const Query&) const = default;
};
enum class TraceSwitch { On, Off, Save };
struct Trace {
    TraceSwitch what = TraceSwitch::On;
    std::string file;  // with Save
    bool operator==(const Trace&) const = default;
};
struct Replay {
    std::string workflow;
    std::optional<std::string> file;  // else the lines the workflow recorded since "trace on"
    bool operator==(const Replay&) const = default;
};
struct Pick {
    int x = 0;
    int y = 0;
    unsigned int id = 0;  // 0: nothing drawn there
    bool operator==(const Pick&) const = default;
};
// What the host drew inside a window rectangle (corners included, in any order): each instance id once.
struct PickBox {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    std::vector<unsigned int> ids;  // none: nothing drawn there
    bool operator==(const PickBox&) const = default;
};
// Where the host drew parts when a workflow asked (to frame them): with the camera at yaw and pitch, zoom 1
// and no pan, the parts ids (none: everything) lie in the rectangle left, top, right, bottom, measured in
// pixels from the centre of a drawing area width by height.
struct Bounds {
    double yaw = 0;
    double pitch = 0;
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    double width = 0;
    double height = 0;
    std::vector<unsigned int> ids;
    bool operator==(const Bounds&) const = default;
};
// A rectangle by its corners in any order, as left, top, right, bottom: how hosts file pick-box answers.
std::array<int, 4> BoxCorners(int x0, int y0, int x1, int y1);
enum class State { Camera, Selection };
struct Print {
    State state = State::Camera;
    bool operator==(const Print&) const = default;
};
enum class Expectation {
    Status,       // text
    StatusField,  // number: the field, text
    Cursor,       // text: the cursor's name
    Workflow,     // number: the priority, text: the workflow or none
    Handled,      // subject: the workflow, text: the message
    Camera,       // text
    Selection,    // text
    Exception,    // text or none
    Routed,       // subject: the message, text: the consumer or none
    NotOffered,   // subject: the message, text: the workflow
};
struct Expect {
    Expectation what = Expectation::Status;
    std::string subject;
    unsigned int number = 0;
    std::string text;
    bool operator==(const Expect&) const = default;
};

using Command = std::variant<WindowInput, HostCall, View, Focus, Activate, Angles, Load, Tick, Query, Trace,
                             Replay, Pick, PickBox, Bounds, Print, Expect>;

// The longest tick a session may ask for: a simulated day, in milliseconds.
constexpr std::int64_t MAX_TICK = 86'400'000;
// The most views a session may drive at once.
constexpr int MAX_VIEWS = 16;
// How many fields the manager's status bar has (numbered from 0).
constexpr unsigned int STATUS_FIELDS = 4;

// One command of a session file, with where it stands.
struct ScriptLine {
    int line = 0;
    Command command;
    std::string text;  // the line as written, without surrounding blanks, for the transcript
};

// A session file read whole before anything runs, so that a malformed line stops the session before its
// first event. Comments ("# ...") and blank lines are dropped.
struct Script {
    std::vector<ScriptLine> lines;
};

// Why a session file cannot run: where, and what is wrong with that line.
struct ScriptError {
    std::string file;
    int line = 0;
    std::string what;

    std::string ToString() const;
};

// The verb a command is written with ("down", "expect", ...).
std::string VerbOf(const Command& command);

// A touch as the window's 52 values (message, inputs, then id, x, y, time, flag per point) and back.
constexpr std::size_t TOUCH_VALUES = 52;
std::array<int, TOUCH_VALUES> TouchValues(const Touch& touch);
Touch TouchFrom(const std::array<int, TOUCH_VALUES>& values);

// The names the language gives its words.
const char* ButtonName(Button button);
const char* ModifierName(Modifier modifier);
const char* ViewKindName(ViewKind kind);
const char* StateName(State state);
const char* ExpectationName(Expectation what);

}  // namespace session
