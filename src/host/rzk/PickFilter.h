#pragma once

#include <cstdint>

#include "du/HostExport.h"
#include "du/RefCounted.h"

namespace rzk {

// What a view lets the user pick. PICK_SMART is the unfiltered default.
class RZHOST_API PickFilter : public virtual du::RefCounted {
public:
    static constexpr std::uint64_t PICK_SMART = 0xFFFFFFFFFFFFFFFFull;

    explicit PickFilter(std::uint64_t value = PICK_SMART) : value_(value) {}
    std::uint64_t GetFilterValue() const { return value_; }
    void SetFilterValue(std::uint64_t value) { value_ = value; }

private:
    std::uint64_t value_;
};

}  // namespace rzk
