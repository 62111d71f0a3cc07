#pragma once

#include <cstdint>

#include "du/HostExport.h"

namespace dp {

// Facts about the running process.
class RZHOST_API Process {
public:
    // The operating system's id of this process. Any thread.
    static std::uint32_t GetCurrentProcId();
};

}  // namespace dp
