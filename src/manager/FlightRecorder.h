#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "du/Symbol.h"

namespace workflow {

// The flight recorder of one manager: a bounded ring of the last input events that reached the view's
// window observer, and the mode, page, selection and scene messages, with the time each arrived. Lines()
// gives them back as a session, one line of the session language each, with "tick N" lines for the time
// between them, so that a handler's failure can be replayed through the session host.
//
// Recording is on every mouse move, so it stores each event as a few plain values in a fixed slot and
// formats only when asked: no allocation per event, ever, once the capacity is set. Events that fall out of
// the ring still count towards what is held at the ring's start (window size, modifiers, pressed buttons,
// pointer), which Lines() restates first so that the replay starts from the same state.
//
//     FlightRecorder recorder(4);
//     recorder.Button(0, true, 10, 20);
//     recorder.SetTime(10);
//     recorder.Move(30, 40);
//     recorder.Lines();  // {"down left 10 20", "tick 10", "move 30 40"}
//
// Every operation runs on the manager's thread (the module thread).
class FlightRecorder {
public:
    static constexpr std::size_t DEFAULT_CAPACITY = 256;
    // A larger capacity asked for is taken as this one: a few megabytes at most, whatever a host asks.
    static constexpr std::size_t MAX_CAPACITY = 65536;
    // Pauses longer than this are shortened in Lines() to keep a replay quick; they keep their remainder
    // modulo 100 so that the timers' phase (10 and 100) stays the same.
    static constexpr std::int64_t LONGEST_PAUSE = 60000;

    explicit FlightRecorder(std::size_t capacity = DEFAULT_CAPACITY);

    // Keeps the newest events that fit (at most MAX_CAPACITY); 0 switches recording off and forgets
    // everything. Module thread only.
    void SetCapacity(std::size_t events);
    // Module thread only.
    std::size_t Capacity() const { return slots_.size(); }
    // The events held now. Module thread only.
    std::size_t Size() const { return count_; }
    // Module thread only.
    bool Enabled() const { return !slots_.empty(); }

    // The clock as the window observer's timer last saw it: events are stamped with it. Module thread only.
    void SetTime(std::int64_t now) { time_ = now; }
    // The time the replay of Lines() starts at: when the view's timers started. Module thread only.
    void SetOrigin(std::int64_t origin) { origin_ = origin; }

    // --- Events, as the window observer receives them. Module thread only.
    void Button(int button, bool down, int x, int y);
    void DoubleClick(int button);
    void Wheel(int delta, int x, int y);
    void Move(int x, int y);
    void Leave();
    void Modifier(int modifier, bool down);
    void Key(std::string_view text, const du::Symbol& systemKey);
    void Size(int width, int height);
    void Motion();
    void Touch(int message, int inputs);
    // --- Messages of the host and the scene. Module thread only.
    void Mode(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber, bool withObject);
    void Page(int page);
    void Selection(unsigned int listId, bool clear, std::size_t removed, std::size_t added);
    // A scene or annotation message, known by its name only.
    void SceneMessage(const du::Symbol& messageName);

    // The held state, then the events oldest first, with the ticks between them and up to the clock's
    // time now (a timer message that failed came after the last event). Module thread only.
    std::vector<std::string> Lines() const;

private:
    enum class Kind : std::uint8_t {
        Button,
        DoubleClick,
        Wheel,
        Move,
        Leave,
        Modifier,
        Key,
        Size,
        Motion,
        Touch,
        Mode,
        Page,
        Selection,
        Scene,
    };
    static constexpr std::size_t KEY_TEXT = 12;  // longer key texts have no line of their own anyway

    // One event: plain values only, so that overwriting a slot never allocates nor frees.
    struct Entry {
        std::int64_t time = 0;
        Kind kind = Kind::Move;
        bool flag = false;
        std::uint8_t textLength = 0;
        bool textCut = false;
        char text[KEY_TEXT] = {};
        int a = 0;
        int b = 0;
        int c = 0;
        du::Symbol first;
        du::Symbol second;
    };
    // A slot owns no memory of its own: its symbols are the host's names (interned), so overwriting a slot
    // allocates and frees nothing.

    // What the events that left the ring leave held: restated before the ring's lines.
    struct Standing {
        bool seen = false;
        std::int64_t time = 0;
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

        void Apply(const Entry& entry);
        void Write(std::vector<std::string>& lines) const;
    };

    // The slot for a new event, stamped with the clock; the oldest event leaves for the standing state when
    // the ring is full. Only called when enabled.
    Entry& Push(Kind kind);
    const Entry& At(std::size_t index) const;  // 0 is the oldest
    static std::string Format(const Entry& entry);

    std::vector<Entry> slots_;
    std::size_t next_ = 0;  // the slot the next event goes to
    std::size_t count_ = 0;
    std::int64_t time_ = 0;
    std::int64_t origin_ = 0;
    Standing standing_;
};

}  // namespace workflow
