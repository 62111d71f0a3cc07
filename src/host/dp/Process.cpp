#include "dp/Process.h"

#include <unistd.h>

#include "dp/DeadReference.h"

namespace dp {

DeadReference::~DeadReference() = default;

std::uint32_t Process::GetCurrentProcId() {
    return static_cast<std::uint32_t>(::getpid());
}

}  // namespace dp
