#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "diagnostics/FlightRecord.h"

namespace workflow {

// The flight recorder of one manager: a bounded ring of the last records (input events that reached the
// view's window observer, host calls, mode, page, selection and scene messages, changes of the stack),
// each stamped with the window observer's clock. Export() gives them back as typed records; turning them
// into a session that replays a handler's failure is the host's business.
//
// Recording is on every mouse move, so each record is a few plain values in a fixed slot: no allocation
// per record, ever, once the capacity is set. Input that falls out of the ring still counts towards what
// is held at the ring's start (window size, modifiers, pressed buttons, pointer).
//
//     FlightRecorder recorder(4);
//     recorder.Record(FlightRecord::Button(0, true, 10, 20));
//     recorder.SetTime(10);
//     recorder.Record(FlightRecord::Move(30, 40));
//     recorder.Export().records;  // {Button at 0, Move at 10}
//
// Every operation runs on the manager's thread (the module thread).
class FlightRecorder {
public:
    static constexpr std::size_t DEFAULT_CAPACITY = 256;
    // A larger capacity asked for is taken as this one: a few megabytes at most, whatever a host asks.
    static constexpr std::size_t MAX_CAPACITY = 65536;

    explicit FlightRecorder(std::size_t capacity = DEFAULT_CAPACITY);

    // Keeps the newest records that fit (at most MAX_CAPACITY); 0 switches recording off and forgets
    // everything. Module thread only.
    void SetCapacity(std::size_t records);
    // Module thread only.
    std::size_t Capacity() const { return slots_.size(); }
    // The records held now. Module thread only.
    std::size_t Size() const { return count_; }
    // Module thread only.
    bool Enabled() const { return !slots_.empty(); }

    // The clock as the window observer's timer last saw it: records are stamped with it. Module thread only.
    void SetTime(std::int64_t now) { time_ = now; }
    // When the view's timers started: the time a replay starts at. Module thread only.
    void SetOrigin(std::int64_t origin) { origin_ = origin; }

    // Keeps record, stamped with the clock; nothing when switched off. Module thread only.
    void Record(const FlightRecord& record) {
        if (Enabled()) {
            Push(record);
        }
    }

    // The held state and the records, oldest first. Module thread only.
    RecordedInput Export() const;

private:
    void Push(const FlightRecord& record);
    const FlightRecord& At(std::size_t index) const;  // 0 is the oldest

    std::vector<FlightRecord> slots_;
    std::size_t next_ = 0;  // the slot the next record goes to
    std::size_t count_ = 0;
    std::int64_t time_ = 0;
    std::int64_t origin_ = 0;
    HeldInput held_;
};

// The one way the manager, its observers and the decoder of host calls feed the recorder: a record, and
// the clock. A caller that would have to work to build a record asks Recording() first. Module thread only.
class InputTap {
public:
    explicit InputTap(FlightRecorder& recorder) : recorder_(recorder) {}

    bool Recording() const { return recorder_.Enabled(); }
    void Record(const FlightRecord& record) const { recorder_.Record(record); }
    // The window observer's timer at now; the first tick of the view's timers sets the replay's origin,
    // one period before it. The clock runs even while nothing is recorded, so that recording can start at
    // any time.
    void Clock(std::int64_t now, bool first, std::int64_t period) const {
        if (first) {
            recorder_.SetOrigin(now - period);
        }
        recorder_.SetTime(now);
    }

private:
    FlightRecorder& recorder_;
};

}  // namespace workflow
