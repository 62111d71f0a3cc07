#include "dp/Thread.h"

#include <climits>
#include <utility>

namespace dp {

Thread::Thread(std::string name, std::uint32_t stackSize) : name_(std::move(name)), stackSize_(stackSize) {}

Thread::~Thread() {
    WaitForThreadToTerminate();
}

void Thread::ThreadStartup() {}

bool Thread::Start(bool waitForStartup) {
    std::unique_lock lock(mutex_);
    if (started_) {
        return false;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    if (stackSize_ != 0) {
        std::size_t size = stackSize_ < PTHREAD_STACK_MIN ? PTHREAD_STACK_MIN : stackSize_;
        pthread_attr_setstacksize(&attributes, size);
    }
    int failed = pthread_create(&handle_, &attributes, &Thread::Trampoline, this);
    pthread_attr_destroy(&attributes);
    if (failed) {
        return false;
    }
    started_ = true;
    if (waitForStartup) {
        startedUp_.wait(lock, [this] { return startupDone_; });
    }
    return true;
}

void Thread::WaitForThreadToTerminate() {
    pthread_t handle;
    {
        std::lock_guard lock(mutex_);
        if (!started_ || joined_) {
            return;
        }
        joined_ = true;
        handle = handle_;
    }
    pthread_join(handle, nullptr);
}

void* Thread::Trampoline(void* self) {
    auto* thread = static_cast<Thread*>(self);
    pthread_setname_np(pthread_self(), thread->name_.substr(0, 15).c_str());
    // The start-up step is announced even when it throws, so a waiting Start never hangs.
    try {
        thread->ThreadStartup();
    } catch (...) {
        {
            std::lock_guard lock(thread->mutex_);
            thread->startupDone_ = true;
        }
        thread->startedUp_.notify_all();
        throw;
    }
    {
        std::lock_guard lock(thread->mutex_);
        thread->startupDone_ = true;
    }
    thread->startedUp_.notify_all();
    thread->ThreadBody();
    return nullptr;
}

}  // namespace dp
