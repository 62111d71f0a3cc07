#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <latch>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/Helper.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyFactory.h"
#include "dom/ProxyObject.h"
#include "dp/ReadWriteLock.h"
#include "dp/Thread.h"

namespace {

using dom::GenericMessageQueue;
using dom::ManagedObject;
using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;

// An actor whose HandleMessage runs the test's code on the queue thread.
class Actor : public ManagedObject {
  public:
    void HandleMessage(const MessagePtr& message) override { onMessage(message); }
    void OnManage() override { managedOn = std::this_thread::get_id(); }

    std::function<void(const MessagePtr&)> onMessage = [](const MessagePtr&) {};
    std::thread::id managedOn;
};

// A queue run by its own thread for the length of a test.
class LoopThread {
  public:
    // The queue is made on the loop's thread, which therefore owns it from the start.
    LoopThread() : actor_(new Actor) {
        std::promise<void> managed;
        thread_ = std::thread([this, &managed] {
            queue_ = new GenericMessageQueue();
            actor_->ManageSelf(queue_, du::Symbol(), 0);
            managed.set_value();
            try {
                actor_->RunMessageLoop();
            } catch (const std::exception& error) {
                loopError_ = error.what();
            }
        });
        managed.get_future().wait();
    }
    ~LoopThread() {
        queue_->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
        Join();
    }

    Actor& actor() { return *actor_; }
    const du::SmartPtr<GenericMessageQueue>& queue() { return queue_; }
    std::thread::id id() const { return thread_.get_id(); }
    void Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    const std::string& LoopError() const { return loopError_; }

  private:
    du::SmartPtr<GenericMessageQueue> queue_;
    du::SmartPtr<Actor> actor_;
    std::thread thread_;
    std::string loopError_;
};

MessagePtr Call(const ManagedObject& target, std::int16_t tag, int value, bool* delivered) {
    MessageWriter writer = target.StartNewMessage(tag);
    writer.PushInt32Value(value);
    writer.MarkNeedsReplyFlag();
    MessagePtr message = writer.FinaliseMessage();
    *delivered = target.DeliverMessage(message);
    return message;
}

void Reply(const MessagePtr& message, int value) {
    MessageWriter reply;
    reply.StartMessageReply(message);
    reply.PushInt32Value(value);
    reply.FinaliseMessage();
}

TEST(Threads, MessagesOfEachProducerArriveInTheirOrder) {
    constexpr int kProducers = 3;
    constexpr int kMessages = 2000;
    LoopThread loop;
    std::vector<std::vector<int>> received(kProducers);
    loop.actor().onMessage = [&](const MessagePtr& message) {
        MessageReader reader(message);
        std::int32_t producer = 0, sequence = 0;
        if (reader.GetInt32Value(producer) && reader.GetInt32Value(sequence)) {
            received[static_cast<std::size_t>(producer)].push_back(sequence);
        } else {
            Reply(message, 0);  // the final barrier call
        }
    };
    std::latch start(kProducers);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            start.arrive_and_wait();
            for (int i = 0; i < kMessages; ++i) {
                MessageWriter writer = loop.actor().StartNewMessage(0);
                writer.PushInt32Value(p);
                writer.PushInt32Value(i);
                ASSERT_TRUE(loop.actor().DeliverMessage(writer.FinaliseMessage()));
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    MessageWriter barrier = loop.actor().StartNewMessage(1);
    barrier.MarkNeedsReplyFlag();
    ASSERT_TRUE(loop.actor().DeliverMessage(barrier.FinaliseMessage()));  // everything before it has run

    std::vector<int> expected(kMessages);
    for (int i = 0; i < kMessages; ++i) {
        expected[static_cast<std::size_t>(i)] = i;
    }
    for (const auto& sequence : received) {
        EXPECT_EQ(sequence, expected);
    }
}

TEST(Threads, BlockingCallFromAHostThreadReadsTheReplyAndOnManageRunsOnTheQueueThread) {
    LoopThread loop;
    EXPECT_EQ(loop.actor().managedOn, loop.id());
    loop.actor().onMessage = [](const MessagePtr& message) {
        MessageReader reader(message);
        std::int32_t value = 0;
        reader.GetInt32Value(value);
        Reply(message, value * 2);
    };
    for (int i = 0; i < 100; ++i) {
        bool delivered = false;
        MessageReader reader(Call(loop.actor(), 0, i, &delivered));
        std::int32_t doubled = -1;
        ASSERT_TRUE(delivered);
        ASSERT_TRUE(reader.GetInt32Value(doubled));
        EXPECT_EQ(doubled, 2 * i);
    }
    EXPECT_FALSE(loop.actor().IsManagedByCurrentThread());

    // Managed from this thread, the child's OnManage is posted to the queue thread.
    du::SmartPtr<Actor> child(new Actor);
    ASSERT_TRUE(loop.actor().ManageObject(child));
    bool delivered = false;
    loop.actor().onMessage = [](const MessagePtr& message) { Reply(message, 0); };
    Call(loop.actor(), 0, 0, &delivered);
    EXPECT_EQ(child->managedOn, loop.id());
    EXPECT_THROW(loop.queue()->RunPending(), dom::InvalidActorException);
}

// Blocks the queue thread inside a handler until released, so that a second call waits in the queue.
struct BusyQueue {
    explicit BusyQueue(LoopThread& loop) : loop(loop) {
        loop.actor().onMessage = [this](const MessagePtr& message) {
            if (message->GetTag() == 0) {
                entered.set_value();
                release.get_future().wait();
            } else {
                Reply(message, 1);
            }
        };
        busy = std::thread([this] {
            MessageWriter writer = this->loop.actor().StartNewMessage(0);
            this->loop.actor().DeliverMessage(writer.FinaliseMessage());
        });
        entered.get_future().wait();
    }
    ~BusyQueue() {
        Release();
        busy.join();
    }
    void Release() {
        if (!released) {
            released = true;
            release.set_value();
        }
    }

    // Starts a blocking call of tag 1 on target from a new thread and returns once it waits in the queue.
    std::future<std::pair<bool, MessagePtr>> CallAndWait(const ManagedObject& target) {
        std::future<std::pair<bool, MessagePtr>> result = std::async(std::launch::async, [&target] {
            bool delivered = false;
            MessagePtr message = Call(target, 1, 7, &delivered);
            return std::make_pair(delivered, message);
        });
        while (loop.queue()->GetPendingCount() == 0) {
            std::this_thread::yield();
        }
        return result;
    }

    LoopThread& loop;
    std::promise<void> entered, release;
    bool released = false;
    std::thread busy;
};

TEST(Threads, ShutdownReleasesABlockedCallerWithNothingToRead) {
    LoopThread loop;
    BusyQueue busy(loop);
    auto waiting = busy.CallAndWait(loop.actor());
    loop.queue()->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    busy.Release();
    auto [delivered, message] = waiting.get();
    EXPECT_FALSE(delivered);
    EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::ShutDown);
    EXPECT_FALSE(MessageReader(message).HasMoreValues());
    bool late = true;
    Call(loop.actor(), 1, 0, &late);
    EXPECT_FALSE(late);
}

// Makes plain proxies for objects read as "test::Plain".
class PlainFactory : public dom::ProxyFactory {
  public:
    du::Symbol GetProxiedClassName() const override { return "test::Plain"; }
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t) override {
        return new dom::ProxyObject(interfaceIndex, nullptr);
    }
    std::uint32_t GetMethodCount() const override { return 0; }
    du::Symbol GetMethodSignature(std::uint32_t) const override { return du::Symbol::EMPTY; }
    std::int16_t GetMethodTag(std::uint32_t) const override { return -1; }
};

TEST(Threads, TargetTakenOffItsQueueWhileACallWaitsThroughAProxyReturnsTheCall) {
    PlainFactory factory;
    dom::ProxyFactoryMap::Instance().RegisterFactory(&factory);
    LoopThread loop;
    du::SmartPtr<Actor> target(new Actor);
    bool targetRan = false;
    target->onMessage = [&](const MessagePtr&) { targetRan = true; };
    ASSERT_TRUE(loop.actor().ManageObject(target));
    BusyQueue busy(loop);
    du::SmartPtr<ManagedObject> held;
    {
        // Bind the proxy the way the messaging layer does: through a handle read on another queue.
        auto other = GenericMessageQueue::CreateManual();
        du::SmartPtr<Actor> reader(new Actor);
        reader->ManageSelf(other, du::Symbol(), 0);
        MessageWriter writer = reader->StartNewMessage(0);
        dom::Helper(*reader).PushHandleValue(target, 0, writer);
        MessageReader handles(writer.FinaliseMessage());
        ASSERT_TRUE(dom::Helper(*reader).GetHandleValue(held, "test::Plain", handles));
    }
    auto waiting = busy.CallAndWait(*held);
    target->Unmanage();
    target = nullptr;  // the waiting message still holds it
    busy.Release();
    auto [delivered, message] = waiting.get();
    EXPECT_FALSE(delivered);
    EXPECT_FALSE(targetRan);
    EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::Unmanaged);
    EXPECT_TRUE(du::DynamicPtrCast<dom::ProxyObject>(held));
    dom::ProxyFactoryMap::Instance().UnregisterFactory(&factory);
}

TEST(Threads, AnExceptionEndsTheLoopAndReleasesItsCaller) {
    LoopThread loop;
    loop.actor().onMessage = [](const MessagePtr&) { throw dom::MessageProtocolException("bad message"); };
    bool delivered = true;
    MessagePtr message = Call(loop.actor(), 0, 0, &delivered);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::Unhandled);
    loop.Join();
    EXPECT_EQ(loop.LoopError(), "bad message");
    EXPECT_TRUE(loop.queue()->IsShutDown());
    EXPECT_FALSE(loop.actor().IsManaged());
}

TEST(Threads, DistinguishedObjectLookupWaitsForTheName) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> module(new Actor);
    const du::Symbol name("Late Module");
    std::latch looking(1);
    auto found = std::async(std::launch::async, [&] {
        looking.count_down();
        return dom::GetDistinguishedObject(du::Symbol::EMPTY, name, 60000);
    });
    looking.wait();
    ASSERT_TRUE(module->ManageSelf(queue, name, 0));
    EXPECT_EQ(found.get().Get(), module.Get());  // no factory serves Actor: the object itself
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
}

class StartedThread : public dp::Thread {
  public:
    StartedThread() : dp::Thread("WorflowmoduleThread", 0x80000) {}
    ~StartedThread() override { WaitForThreadToTerminate(); }

    std::vector<std::string> steps;  // written by the thread, read after Start or after the join
    std::promise<void> go;

  protected:
    void ThreadStartup() override { steps.push_back("startup"); }
    void ThreadBody() override {
        go.get_future().wait();
        steps.push_back("body");
    }
};

TEST(Threads, ThreadRunsItsStartupStepBeforeStartReturnsThenItsBody) {
    StartedThread thread;
    EXPECT_EQ(thread.GetStackSize(), 0x80000u);
    ASSERT_TRUE(thread.Start(true));
    EXPECT_FALSE(thread.Start(true));
    EXPECT_EQ(thread.steps, std::vector<std::string>{"startup"});
    thread.go.set_value();
    thread.WaitForThreadToTerminate();
    thread.WaitForThreadToTerminate();
    EXPECT_EQ(thread.steps, (std::vector<std::string>{"startup", "body"}));
}

TEST(Threads, ReadWriteLockAdmitsReadersTogetherAndWritersAlone) {
    dp::ReadWriteLock lock;
    lock.AcquireRead();
    bool secondReader = false, writer = true;
    std::thread([&] {
        secondReader = lock.try_lock_shared();
        if (secondReader) {
            lock.ReleaseRead();
        }
        writer = lock.try_lock();
    }).join();
    lock.ReleaseRead();
    EXPECT_TRUE(secondReader);
    EXPECT_FALSE(writer);
    dp::WriteGuard guard(lock);
    bool readerDuringWrite = true;
    std::thread([&] { readerDuringWrite = lock.try_lock_shared(); }).join();
    EXPECT_FALSE(readerDuringWrite);
}

}  // namespace
