#pragma once

#include <atomic>
#include <cstdint>

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// What a view lets the user pick, as a bit set of pickable kinds. PICK_SMART is the unfiltered default.
class RZHOST_API PickFilter : public virtual du::RefCounted {
public:
    static constexpr std::uint64_t PICK_SMART = 0xFFFFFFFFFFFFFFFFull;

    explicit PickFilter(std::uint64_t value = PICK_SMART) : value_(value) {}

    // The current filter value. Any thread.
    std::uint64_t GetFilterValue() const { return value_.load(std::memory_order_relaxed); }
    // Any thread.
    void SetFilterValue(std::uint64_t value) { value_.store(value, std::memory_order_relaxed); }

private:
    std::atomic<std::uint64_t> value_;
};

}  // namespace rzk
