#include "diagnostics/FlightRecorder.h"

#include <algorithm>

namespace workflow {

FlightRecorder::FlightRecorder(std::size_t capacity) : slots_(std::min(capacity, MAX_CAPACITY)) {}

void FlightRecorder::SetCapacity(std::size_t records) {
    records = std::min(records, MAX_CAPACITY);
    if (records == slots_.size()) {
        return;
    }
    std::vector<FlightRecord> kept(records);
    const std::size_t keep = std::min(records, count_);
    if (records == 0) {
        held_ = HeldInput();
    } else {
        for (std::size_t i = 0; i < count_ - keep; ++i) {
            held_.Apply(At(i));
        }
    }
    for (std::size_t i = 0; i < keep; ++i) {
        kept[i] = At(count_ - keep + i);
    }
    slots_.swap(kept);
    count_ = keep;
    next_ = records == 0 ? 0 : keep % records;
}

const FlightRecord& FlightRecorder::At(std::size_t index) const {
    const std::size_t oldest = count_ == slots_.size() ? next_ : 0;
    std::size_t slot = oldest + index;
    if (slot >= slots_.size()) {
        slot -= slots_.size();
    }
    return slots_[slot];
}

void FlightRecorder::Push(const FlightRecord& record) {
    FlightRecord& slot = slots_[next_];
    if (count_ == slots_.size()) {
        held_.Apply(slot);
    } else {
        ++count_;
    }
    if (++next_ == slots_.size()) {
        next_ = 0;
    }
    slot = record;
    slot.time = time_;
}

RecordedInput FlightRecorder::Export() const {
    RecordedInput input;
    input.recording = Enabled();
    input.origin = origin_;
    input.now = time_;
    input.held = held_;
    input.records.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        input.records.push_back(At(i));
    }
    return input;
}

void HeldInput::Apply(const FlightRecord& record) {
    seen = true;
    time = record.time;
    const bool knownButton = record.a >= 0 && record.a < 3;
    switch (record.kind) {
        case FlightRecord::Kind::Button:
            pointerKnown = true;
            x = record.b;
            y = record.c;
            if (knownButton) {
                buttons[record.a] = {record.flag, record.b, record.c};
            }
            break;
        case FlightRecord::Kind::Move:
            pointerKnown = true;
            x = record.b;
            y = record.c;
            break;
        case FlightRecord::Kind::Modifier:
            if (knownButton) {
                const unsigned int bit = 1u << record.a;
                modifiers = record.flag ? modifiers | bit : modifiers & ~bit;
            }
            break;
        case FlightRecord::Kind::Size:
            if (record.a >= 0 && record.b >= 0) {
                sized = true;
                width = record.a;
                height = record.b;
            }
            break;
        default:
            break;
    }
}

}  // namespace workflow
