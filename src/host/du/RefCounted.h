#pragma once

#include <atomic>

#include "du/HostExport.h"

namespace du {

// Intrusive, thread-safe reference count. Holders pass their own address (unused here, kept for the
// host's leak tracing). When the count reaches zero the object is deleted if ZeroReferenceCountHook
// agrees; an object that refuses stays alive with a zero count and owns its own fate.
class RZHOST_API RefCounted {
public:
    void AddReference(const void* holder = nullptr) const noexcept;
    void RemoveReference(const void* holder = nullptr) const noexcept;
    int GetReferenceCount() const noexcept { return count_.load(std::memory_order_relaxed); }

protected:
    RefCounted() noexcept = default;
    // A copy is a new object: it starts without references.
    RefCounted(const RefCounted&) noexcept {}
    RefCounted& operator=(const RefCounted&) noexcept { return *this; }
    virtual ~RefCounted();

public:
    virtual bool ZeroReferenceCountHook() const { return true; }

private:
    mutable std::atomic<int> count_{0};
};

}  // namespace du
