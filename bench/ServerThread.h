#pragma once

// A server actor on a queue thread of its own, for the benchmarks of calls between threads. The queue is made
// on that thread, so that the thread owns it.
#include <future>
#include <thread>

#include "dom/MessageQueue.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace bench_support {

template <class Server>
class ServerThread {
public:
    ServerThread() : server_(new Server) {
        std::promise<void> ready;
        thread_ = std::thread([this, &ready] {
            queue_ = new dom::GenericMessageQueue();
            server_->ManageSelf(queue_, du::Symbol(), 0);
            ready.set_value();
            server_->RunMessageLoop();
        });
        ready.get_future().wait();
    }
    ~ServerThread() {
        queue_->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
        thread_.join();
    }
    Server& server() { return *server_; }

private:
    du::SmartPtr<dom::GenericMessageQueue> queue_;
    du::SmartPtr<Server> server_;
    std::thread thread_;
};

}  // namespace bench_support
