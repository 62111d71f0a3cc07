#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "dom/ActorExceptions.h"
#include "dom/MessageQueue.h"
#include "dp/RZTracer.h"
#include "dp/ReadWriteLock.h"
#include "dp/Thread.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzk {

// The thread of a module that runs as an actor: it makes the module's message queue, registers the module
// on it under the module's actor name and runs the queue until it is shut down. Every failure on the
// thread becomes one trace line; nothing leaves the thread. Destroying the object shuts the queue down and
// joins the thread.
//
// Module needs GetActorName() (safe for two first callers on different threads), ManageSelf and
// RunMessageLoop; Queue is the queue class to make.
//
//     auto* thread = new rzk::ActiveModuleThread<MyModule, dom::GenericMessageQueue>("mine", "MyThread");
//     thread->Start(true);   // the queue exists and the module is registered when this returns
//     ...
//     delete thread;         // queue shut down, loop ended, shutdown line traced, thread joined
template <class Module, class Queue>
class ActiveModuleThread : public dp::Thread, private dp::ObjectLevelReadWriteLockable {
public:
    ActiveModuleThread(const std::string& category, const std::string& threadName)
        : dp::Thread(threadName, 0x80000), tracer_(category, threadName), module_(new Module) {}

    ~ActiveModuleThread() override {
        {
            dp::WriteGuard guard(GetLock());
            if (queue_) {
                queue_->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
            }
        }
        // The body releases the queue on its way out.
        WaitForThreadToTerminate();
        queue_ = nullptr;
        module_ = nullptr;
    }

    ActiveModuleThread(const ActiveModuleThread&) = delete;
    ActiveModuleThread& operator=(const ActiveModuleThread&) = delete;

    // Guards the queue field, and the use of the module from threads other than this one. Any thread.
    using dp::ObjectLevelReadWriteLockable::GetLock;
    // The module; from another thread only under the read lock, and only for what it allows there. Any
    // thread.
    Module& GetModule() const { return *module_; }
    // True once the start-up step has made the queue and registered the module. Any thread, after Start.
    bool IsReady() const { return ready_; }

protected:
    void ThreadStartup() override {
        try {
            du::SmartPtr<Queue> queue(new Queue());
            {
                dp::WriteGuard guard(GetLock());
                queue_ = queue;
            }
            module_->ManageSelf(queue, module_->GetActorName(), 0);
            ready_ = true;
        } catch (const dom::ActorShutdownException& error) {
            TraceActorShutdown(error);
        } catch (const std::exception& error) {
            TraceStandardException(error);
        } catch (...) {
            TraceUnexpectedException();
        }
    }

    void ThreadBody() override {
        if (ready_) {
            try {
                module_->RunMessageLoop();
            } catch (const dom::ActorShutdownException& error) {
                TraceActorShutdown(error);
            } catch (const dom::ConnectionLostException& error) {
                TraceActorException("ConnectionLostException", error);
            } catch (const dom::MessageProtocolException& error) {
                TraceActorException("MessageProtocolException", error);
            } catch (const dom::InvalidActorException& error) {
                TraceActorException("InvalidActorException", error);
            } catch (const std::exception& error) {
                TraceStandardException(error);
            } catch (...) {
                TraceUnexpectedException();
            }
        }
        tracer_.Format("Actor %s shutting down queue 0x%08x\n", module_->GetActorName().ToString().c_str(),
                       static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(queue_.Get())));
        dp::WriteGuard guard(GetLock());
        queue_ = nullptr;
    }

private:
    void TraceActorShutdown(const dom::ActorShutdownException& error) {
        tracer_.GetFormatter(0) << "Got a ActorShutdownException:-\n\t" << error.what() << "\n";
    }
    void TraceActorException(const char* kind, const std::exception& error) {
        tracer_.GetFormatter(3) << "Actor " << module_->GetActorName() << " got a " << kind << ":-\n\t"
                                << error.what() << "\n";
    }
    void TraceStandardException(const std::exception& error) {
        tracer_.GetFormatter(3) << "Actor " << module_->GetActorName() << " got a standard exception:- "
                                << error.what() << "\n";
    }
    void TraceUnexpectedException() {
        tracer_.GetFormatter(3) << "Actor " << module_->GetActorName() << " got an unexpected exception.\n";
    }

    dp::RZTracer tracer_;
    du::SmartPtr<Module> module_;
    du::SmartPtr<Queue> queue_;  // written under the write lock
    bool ready_ = false;
};

}  // namespace rzk
