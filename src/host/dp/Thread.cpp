#include "dp/Thread.h"

#include <cxxabi.h>

#include <climits>
#include <exception>
#include <utility>

#include "dp/RZTracer.h"

namespace dp {
namespace {

// One line for the exception now being handled, which ended the thread's step.
void TraceEscapedException(const std::string& thread, const char* step) {
    RZTracer tracer("dp::Thread", thread);
    try {
        throw;
    } catch (const std::exception& error) {
        tracer.GetFormatter(3).Format("Thread %s ended by an exception in its %s:- %s\n", thread.c_str(),
                                      step, error.what());
    } catch (...) {
        tracer.GetFormatter(3).Format("Thread %s ended by an unexpected exception in its %s.\n",
                                      thread.c_str(), step);
    }
}

}  // namespace

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
    // An exception that escapes a step is traced and ends this thread, never the process.
    auto run = [thread](void (Thread::*step)(), const char* name) {
        try {
            (thread->*step)();
            return true;
        } catch (abi::__forced_unwind&) {
            throw;  // the thread is being cancelled: its unwinding must go on
        } catch (...) {
            try {
                TraceEscapedException(thread->name_, name);
            } catch (...) {
                // A trace sink that fails must not end the process either.
            }
            return false;
        }
    };
    bool ready;
    {
        // The start-up step is announced however it ends, so a waiting Start never hangs.
        struct Announce {
            Thread& thread;
            ~Announce() {
                {
                    std::lock_guard lock(thread.mutex_);
                    thread.startupDone_ = true;
                }
                thread.startedUp_.notify_all();
            }
        } announce{*thread};
        ready = run(&Thread::ThreadStartup, "start-up step");
    }
    if (ready) {
        run(&Thread::ThreadBody, "body");
    }
    return nullptr;
}

}  // namespace dp
