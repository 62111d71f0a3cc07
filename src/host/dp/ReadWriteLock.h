#pragma once

#include <shared_mutex>

#include "du/HostExport.h"

namespace dp {

// Many readers or one writer. Also satisfies the standard SharedMutex requirements, so std::shared_lock and
// std::unique_lock work on it.
class RZHOST_API ReadWriteLock {
public:
    // Blocks until no writer holds the lock. Any thread.
    void AcquireRead() { mutex_.lock_shared(); }
    // Ends a read started by AcquireRead. The reading thread only.
    void ReleaseRead() { mutex_.unlock_shared(); }
    // Blocks until nobody else holds the lock. Any thread.
    void AcquireWrite() { mutex_.lock(); }
    // Ends a write started by AcquireWrite. The writing thread only.
    void ReleaseWrite() { mutex_.unlock(); }

    void lock() { AcquireWrite(); }
    void unlock() { ReleaseWrite(); }
    bool try_lock() { return mutex_.try_lock(); }
    void lock_shared() { AcquireRead(); }
    void unlock_shared() { ReleaseRead(); }
    bool try_lock_shared() { return mutex_.try_lock_shared(); }

private:
    std::shared_mutex mutex_;
};

// Holds a read lock for its lifetime.
class ReadGuard {
public:
    explicit ReadGuard(ReadWriteLock& lock) : lock_(lock) { lock_.AcquireRead(); }
    ~ReadGuard() { lock_.ReleaseRead(); }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

private:
    ReadWriteLock& lock_;
};

// Holds a write lock for its lifetime.
class WriteGuard {
public:
    explicit WriteGuard(ReadWriteLock& lock) : lock_(lock) { lock_.AcquireWrite(); }
    ~WriteGuard() { lock_.ReleaseWrite(); }
    WriteGuard(const WriteGuard&) = delete;
    WriteGuard& operator=(const WriteGuard&) = delete;

private:
    ReadWriteLock& lock_;
};

// Gives an object its own read-write lock, reachable also from const operations.
class RZHOST_API ObjectLevelReadWriteLockable {
public:
    // The object's lock. Any thread.
    ReadWriteLock& GetLock() const { return lock_; }

protected:
    ObjectLevelReadWriteLockable() = default;
    ~ObjectLevelReadWriteLockable() = default;

private:
    mutable ReadWriteLock lock_;
};

}  // namespace dp
