#pragma once

// Internal to the actor runtime: its times are milliseconds, of the steady clock or of a queue's manual
// clock. A time or timeout too large for the arithmetic, or for the steady clock's own nanoseconds, means
// "never": it must not wrap around into the past and fall due at once.

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>

namespace dom::detail {

inline constexpr std::int64_t NEVER = std::numeric_limits<std::int64_t>::max();

inline std::int64_t SteadyNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// time + ms for ms >= 0, stopping at NEVER.
inline std::int64_t SaturatingAdd(std::int64_t time, std::int64_t ms) {
    return time > NEVER - ms ? NEVER : time + ms;
}

// The steady clock's time point at ms, or nothing when ms lies beyond what the clock can express.
inline std::optional<std::chrono::steady_clock::time_point> SteadyTimePointAt(std::int64_t ms) {
    using namespace std::chrono;
    constexpr std::int64_t latest = duration_cast<milliseconds>(steady_clock::duration::max()).count();
    constexpr std::int64_t earliest = duration_cast<milliseconds>(steady_clock::duration::min()).count();
    if (ms >= latest) {
        return std::nullopt;
    }
    return steady_clock::time_point(
        duration_cast<steady_clock::duration>(milliseconds(ms < earliest ? earliest : ms)));
}

// The deadline timeoutMs from now (a negative timeout is none), or nothing: wait for as long as it takes.
inline std::optional<std::chrono::steady_clock::time_point> DeadlineAfter(std::int64_t timeoutMs) {
    using namespace std::chrono;
    const steady_clock::time_point now = steady_clock::now();
    const std::int64_t room = duration_cast<milliseconds>(steady_clock::time_point::max() - now).count();
    if (timeoutMs >= room) {
        return std::nullopt;
    }
    return now + milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
}

}  // namespace dom::detail
