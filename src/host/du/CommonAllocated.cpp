#include "du/CommonAllocated.h"

#include <atomic>
#include <cstdlib>

namespace du {
namespace {

std::atomic<int> failuresPending{0};

}  // namespace

void* CommonAllocatorImpl::Allocate(std::size_t size) noexcept {
    int pending = failuresPending.load(std::memory_order_relaxed);
    while (pending > 0) {
        if (failuresPending.compare_exchange_weak(pending, pending - 1, std::memory_order_relaxed)) {
            return nullptr;
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

void CommonAllocatorImpl::Free(void* memory) noexcept {
    std::free(memory);
}

void CommonAllocatorImpl::FailNextAllocations(int count) noexcept {
    failuresPending.store(count, std::memory_order_relaxed);
}

CommonAllocated::~CommonAllocated() = default;

const char* CommonAllocated::GetDebugClassName() const {
    return "du::CommonAllocated";
}

void* CommonAllocated::operator new(std::size_t size) {
    void* memory = CommonAllocatorImpl::Allocate(size);
    if (!memory) {
        throw std::bad_alloc();
    }
    return memory;
}

void CommonAllocated::operator delete(void* memory) noexcept {
    CommonAllocatorImpl::Free(memory);
}

}  // namespace du
