#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include <pthread.h>

#include "du/HostExport.h"

namespace dp {

// A named operating-system thread that runs a start-up step and then a body, both overridden by the
// derived class. Start may wait for the start-up step, so a caller knows that whatever it sets up exists
// before Start returns. A derived class must call WaitForThreadToTerminate in its own destructor: the
// thread calls its virtual operations until it ends. An exception that escapes a step ends this thread only
// (after a failed start-up step the body does not run), with one trace line of type 3 from the tracer
// ("dp::Thread", the thread's name).
//
//     class Worker : public dp::Thread {
//     public:
//         Worker() : dp::Thread("Worker", 0x80000) {}
//         ~Worker() override { WaitForThreadToTerminate(); }
//     protected:
//         void ThreadStartup() override { queue = new dom::GenericMessageQueue(); }
//         void ThreadBody() override { ... }
//     };
class RZHOST_API Thread {
public:
    // name is shown by debuggers (cut to 15 characters there); stackSize is in bytes (0 = the default).
    Thread(std::string name, std::uint32_t stackSize);
    virtual ~Thread();

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

protected:
    // Runs first on the new thread. Default: nothing.
    virtual void ThreadStartup();
    // Runs on the new thread after the start-up step; the thread ends when it returns.
    virtual void ThreadBody() = 0;

public:
    // Starts the thread; with waitForStartup, returns only after ThreadStartup has finished. False when the
    // thread could not be created or was started before. Any thread.
    bool Start(bool waitForStartup);
    // Blocks until the thread has ended; returns at once if it never started or was already joined. Any
    // thread but the thread itself.
    void WaitForThreadToTerminate();

    // Any thread.
    const std::string& GetName() const { return name_; }
    // Any thread.
    std::uint32_t GetStackSize() const { return stackSize_; }

private:
    static void* Trampoline(void* self);

    std::string name_;
    std::uint32_t stackSize_;
    std::mutex mutex_;
    std::condition_variable startedUp_;
    bool startupDone_ = false;
    bool started_ = false;
    bool joined_ = false;
    pthread_t handle_{};
};

}  // namespace dp
