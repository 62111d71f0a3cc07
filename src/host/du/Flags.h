#pragma once

#include <cstdint>

namespace du {

// A set of option bits passed to host calls; what each bit means is up to the call that takes it.
using Flags = std::uint32_t;

}  // namespace du
