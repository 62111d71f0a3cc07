#pragma once

#include <mutex>
#include <utility>

#include "du/SmartPtr.h"

namespace rzk {

// A counted pointer that any thread may read or replace. A replaced object is released after the lock is
// given up, so that whatever its destructor does cannot come back into the locked slot.
template <class T>
class SharedSlot {
public:
    // Any thread.
    du::SmartPtr<T> Get() const {
        std::lock_guard guard(lock_);
        return value_;
    }
    // Any thread.
    void Set(du::SmartPtr<T> value) {
        {
            std::lock_guard guard(lock_);
            std::swap(value_, value);
        }
    }

private:
    mutable std::mutex lock_;
    du::SmartPtr<T> value_;
};

}  // namespace rzk
