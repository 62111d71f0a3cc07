#pragma once

// Counts every allocation of the program through the global operator new. Include in exactly one source
// file of a benchmark program.
#include <atomic>
#include <cstdlib>
#include <new>

// The replacement pairs malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace bench_support {
inline std::atomic<long> allocationCount{0};
inline long Allocations() {
    return allocationCount.load(std::memory_order_relaxed);
}
}  // namespace bench_support

void* operator new(std::size_t size) {
    bench_support::allocationCount.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
