#pragma once

#include <cstddef>
#include <new>

#include "du/HostExport.h"

namespace du {

// The host's common heap. Allocate answers null instead of throwing, so that callers that build objects
// in place can report "no memory" as an empty result.
class RZHOST_API CommonAllocatorImpl {
public:
    // Memory for size bytes, or null when none can be had. Any thread.
    static void* Allocate(std::size_t size) noexcept;
    // Gives back memory from Allocate; null is ignored. Any thread.
    static void Free(void* memory) noexcept;
    // Makes the next count calls of Allocate answer null, so tests can reach the no-memory paths. Any thread.
    static void FailNextAllocations(int count) noexcept;
};

// Base of host objects whose memory comes from the common heap (proxies, proxy factories). `new` and
// `delete` of derived classes go through CommonAllocatorImpl; objects may also be built in place in memory
// that the caller took from Allocate:
//
//     void* memory = du::CommonAllocatorImpl::Allocate(sizeof(MyFactory));
//     auto* factory = memory ? new (memory) MyFactory() : nullptr;   // deleted later with `delete factory`
class RZHOST_API CommonAllocated {
public:
    virtual ~CommonAllocated();
    // The class name shown in the host's leak and debug reports. Any thread.
    virtual const char* GetDebugClassName() const;

    static void* operator new(std::size_t size);
    static void operator delete(void* memory) noexcept;
    // In-place construction in memory from CommonAllocatorImpl::Allocate. If the constructor throws, the
    // memory stays with the caller, who gives it back with CommonAllocatorImpl::Free.
    static void* operator new(std::size_t, void* memory) noexcept { return memory; }
    static void operator delete(void*, void*) noexcept {}

protected:
    CommonAllocated() = default;
    CommonAllocated(const CommonAllocated&) = default;
    CommonAllocated& operator=(const CommonAllocated&) = default;
};

}  // namespace du
