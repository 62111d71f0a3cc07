#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <latch>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/Helper.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyFactory.h"
#include "dom/ProxyObject.h"
#include "dom/Settle.h"
#include "dp/Thread.h"
#include "support/TraceCapture.h"

namespace {

using dom::GenericMessageQueue;
using dom::ManagedObject;
using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;
using CallResult = std::pair<bool, MessagePtr>;

// An actor whose HandleMessage runs the test's code on the queue thread.
class Actor : public ManagedObject {
public:
    void HandleMessage(const MessagePtr& message) override { onMessage(message); }
    void OnManage() override { managedOn = std::this_thread::get_id(); }

    std::function<void(const MessagePtr&)> onMessage = [](const MessagePtr&) {};
    std::thread::id managedOn;
};

// A queue run by its own thread for the length of a test. The queue is made in the start-up step, so it
// exists once Start returns; it belongs to the loop's thread once the loop runs.
class LoopThread : public dp::Thread {
public:
    explicit LoopThread(bool manualClock = false)
        : dp::Thread("WorkflowLoopThread", 0x80000), manualClock_(manualClock) {
        EXPECT_TRUE(Start(true));
    }
    ~LoopThread() override {
        queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
        WaitForThreadToTerminate();
    }

    du::SmartPtr<Actor> actor{new Actor};
    du::SmartPtr<GenericMessageQueue> queue;
    std::thread::id id;
    std::string loopError;  // read after the thread ended

protected:
    void ThreadStartup() override {
        id = std::this_thread::get_id();
        queue = manualClock_ ? GenericMessageQueue::CreateManual() : new GenericMessageQueue();
        actor->ManageSelf(queue, du::Symbol(), 0);
    }
    void ThreadBody() override {
        try {
            actor->RunMessageLoop();
        } catch (const std::exception& error) {
            loopError = error.what();
        }
    }

private:
    const bool manualClock_;
};

// A blocking call carrying value: whether a reply arrived, and the message to read it from.
CallResult Call(const ManagedObject& target, std::int16_t tag, int value) {
    MessageWriter writer = target.StartNewMessage(tag);
    writer.PushInt32Value(value);
    writer.MarkNeedsReplyFlag();
    MessagePtr message = writer.FinaliseMessage();
    bool delivered = target.DeliverMessage(message);
    return {delivered, message};
}

// The first value of message as an int32, or -1 when there is none.
std::int32_t FirstInt(const MessagePtr& message) {
    std::int32_t value = -1;
    MessageReader(message).GetInt32Value(value);
    return value;
}

void Reply(const MessagePtr& message, int value) {
    MessageWriter reply;
    reply.StartMessageReply(message);
    reply.PushInt32Value(value);
    reply.FinaliseMessage();
}

TEST(Threads, MessagesOfEachProducerArriveInTheirOrderAndBlockingCallsReadTheirReplies) {
    constexpr int kProducers = 3, kMessages = 2000;
    LoopThread loop;
    EXPECT_FALSE(loop.Start(true));
    EXPECT_FALSE(loop.actor->IsManagedByCurrentThread());
    // Due too far ahead for the steady clock's own range: the loop sleeps until woken, it does not spin.
    EXPECT_TRUE(loop.actor->AddRecurringTimeout(std::numeric_limits<std::int64_t>::max() / 2));
    std::vector<std::vector<int>> received(kProducers);
    loop.actor->onMessage = [&](const MessagePtr& message) {
        if (message->GetTag() == kProducers) {
            Reply(message, FirstInt(message) * 2);
        } else {
            received[static_cast<std::size_t>(message->GetTag())].push_back(FirstInt(message));
        }
    };
    std::latch start(kProducers);
    std::vector<std::thread> producers;
    for (int p = 0; p < kProducers; ++p) {
        producers.emplace_back([&, p] {
            start.arrive_and_wait();
            for (int i = 0; i < kMessages; ++i) {
                MessageWriter writer = loop.actor->StartNewMessage(static_cast<std::int16_t>(p));
                writer.PushInt32Value(i);
                EXPECT_TRUE(loop.actor->DeliverMessage(writer.FinaliseMessage()));
            }
        });
    }
    for (auto& producer : producers) {
        producer.join();
    }
    for (int i = 0; i < 100; ++i) {  // the first call returns after every message before it has run
        auto [delivered, reply] = Call(*loop.actor, kProducers, i);
        ASSERT_TRUE(delivered);
        EXPECT_EQ(FirstInt(reply), 2 * i);
    }
    EXPECT_EQ(loop.actor->managedOn, loop.id);  // managed in the start-up step, OnManage ran on the loop
    std::vector<int> expected(kMessages);
    std::iota(expected.begin(), expected.end(), 0);
    for (const auto& sequence : received) {
        EXPECT_EQ(sequence, expected);
    }

    // Managed from this thread, the child's OnManage is posted to the queue thread; the call waits for it.
    du::SmartPtr<Actor> child(new Actor);
    ASSERT_TRUE(loop.actor->ManageObject(child));
    Call(*loop.actor, kProducers, 0);
    EXPECT_EQ(child->managedOn, loop.id);
    EXPECT_THROW(loop.queue->RunPending(), dom::InvalidActorException);
}

// Blocks the queue thread inside a handler until released, so that a second call waits in the queue.
struct BusyQueue {
    explicit BusyQueue(LoopThread& loop) : loop(loop) {
        loop.actor->onMessage = [this](const MessagePtr& message) {
            if (message->GetTag() == 0) {
                entered.set_value();
                release.get_future().wait();
            }
        };
        loop.actor->DeliverMessage(loop.actor->StartNewMessage(0).FinaliseMessage());
        entered.get_future().wait();
    }
    ~BusyQueue() { Release(); }
    void Release() {
        if (!released) {
            released = true;
            release.set_value();
        }
    }

    // Starts a blocking call of tag 1 on target from a new thread and returns once it waits in the queue. The
    // busy handler takes nothing out meanwhile, so the count grows by that call alone.
    std::future<CallResult> CallAndWait(const ManagedObject& target) {
        const std::size_t before = loop.queue->GetPendingCount();
        auto result = std::async(std::launch::async, [&target] { return Call(target, 1, 7); });
        while (loop.queue->GetPendingCount() == before) {
            std::this_thread::yield();
        }
        return result;
    }

    LoopThread& loop;
    std::promise<void> entered, release;
    bool released = false;
};

// Makes plain proxies for objects read as "test::Plain", registered while it lives.
class PlainFactory : public dom::ProxyFactory {
public:
    PlainFactory() { dom::ProxyFactoryMap::Instance().RegisterFactory(this); }
    ~PlainFactory() override { dom::ProxyFactoryMap::Instance().UnregisterFactory(this); }
    du::Symbol GetProxiedClassName() const override { return "test::Plain"; }
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t) override {
        return new dom::ProxyObject(interfaceIndex, nullptr);
    }
    std::uint32_t GetMethodCount() const override { return 0; }
    du::Symbol GetMethodSignature(std::uint32_t) const override { return du::Symbol::EMPTY; }
    std::int16_t GetMethodTag(std::uint32_t) const override { return -1; }
};

TEST(Threads, ACallWaitingInTheQueueComesBackWhenItsProxysTargetIsUnmanagedOrTheQueueShutsDown) {
    PlainFactory factory;
    LoopThread loop;
    du::SmartPtr<Actor> target(new Actor);
    bool targetRan = false;
    target->onMessage = [&](const MessagePtr&) { targetRan = true; };
    ASSERT_TRUE(loop.actor->ManageObject(target));
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
        ASSERT_TRUE(du::DynamicPtrCast<dom::ProxyObject>(held));
    }
    {
        BusyQueue busy(loop);
        auto waiting = busy.CallAndWait(*held);
        target->Unmanage();
        target = nullptr;  // the waiting message still holds it
        busy.Release();
        auto [delivered, message] = waiting.get();
        EXPECT_FALSE(delivered);
        EXPECT_FALSE(targetRan);
        EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::Unmanaged);
    }
    BusyQueue busy(loop);  // runs once everything queued before has been dealt with
    auto waiting = busy.CallAndWait(*loop.actor);
    loop.queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    busy.Release();
    auto [delivered, message] = waiting.get();
    EXPECT_FALSE(delivered);
    EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::ShutDown);
    EXPECT_FALSE(MessageReader(message).HasMoreValues());
    EXPECT_FALSE(Call(*loop.actor, 1, 0).first);
}

TEST(Threads, AnExceptionEndsTheLoopAndReleasesItsCaller) {
    LoopThread loop;
    loop.actor->onMessage = [](const MessagePtr&) { throw dom::MessageProtocolException("bad message"); };
    auto [delivered, message] = Call(*loop.actor, 0, 0);
    EXPECT_FALSE(delivered);
    EXPECT_EQ(message->GetReturnReason(), dom::ReturnReason::Unhandled);
    loop.WaitForThreadToTerminate();  // the destructor waits once more
    EXPECT_EQ(loop.loopError, "bad message");
    EXPECT_TRUE(loop.queue->IsShutDown());
    EXPECT_FALSE(loop.actor->IsManaged());
}

// A host moves the plug-in's manual clock from two threads at once: each call returns only once the timeouts
// its steps made due, and the messages they sent, have run (moving the clock and making one blocking call
// instead let a status read overtake the timers). Each 10 ms step fires the 10 ms timer exactly once.
TEST(Threads, AdvanceTimeAndSettleReturnsAfterTheDueTimeoutsAndWhatTheyCausedFromEveryHostThread) {
    class Ticker : public ManagedObject {
    public:
        void HandleTimeoutEvent(std::int64_t) override {
            ++fired;
            DeliverMessage(StartNewMessage(0).FinaliseMessage());
        }
        void HandleMessage(const MessagePtr&) override { ++caused; }
        std::atomic<int> fired{0};
        std::atomic<int> caused{0};
    };
    EXPECT_THROW(dom::AdvanceTimeAndSettle(du::SmartPtr<GenericMessageQueue>(new GenericMessageQueue()), 10),
                 std::logic_error);

    LoopThread loop(true);
    const du::SmartPtr<Ticker> ticker(new Ticker);
    ASSERT_TRUE(ticker->ManageSelf(loop.queue, du::Symbol(), 0));
    ASSERT_TRUE(ticker->AddRecurringTimeout(10));
    constexpr int CALLS = 10;
    constexpr std::int64_t LENGTH = 20;
    std::atomic<int> unsettled{0};
    auto host = [&] {
        for (int call = 1; call <= CALLS; ++call) {
            if (!dom::AdvanceTimeAndSettle(loop.queue, LENGTH) || ticker->caused < call * LENGTH / 10) {
                ++unsettled;
            }
        }
    };
    std::thread first(host);
    std::thread second(host);
    first.join();
    second.join();
    EXPECT_EQ(unsettled, 0);
    EXPECT_EQ(loop.queue->Now(), 2 * CALLS * LENGTH);
    EXPECT_EQ(ticker->fired, 2 * CALLS * LENGTH / 10);
    EXPECT_EQ(ticker->caused, ticker->fired.load());

    // Once the plug-in's thread has ended the clock no longer moves, and the call says so.
    loop.queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    loop.WaitForThreadToTerminate();
    EXPECT_FALSE(dom::AdvanceTimeAndSettle(loop.queue, LENGTH));
}

TEST(Threads, AQueueBelongsToTheThreadThatRunsItSoItsCreatorsCallsWaitForThatThread) {
    du::SmartPtr<GenericMessageQueue> queue(new GenericMessageQueue());
    du::SmartPtr<Actor> actor(new Actor);
    ASSERT_TRUE(actor->ManageSelf(queue, du::Symbol(), 0));
    EXPECT_FALSE(actor->IsManagedByCurrentThread());  // no thread runs it yet
    std::thread::id handledOn;
    actor->onMessage = [&](const MessagePtr& message) {
        handledOn = std::this_thread::get_id();
        Reply(message, 1);
    };
    std::atomic<bool> returned{false};
    std::thread runner([&] {
        // Starts the loop only once the call waits in the queue (or came back without it).
        while (queue->GetPendingCount() == 0 && !returned.load()) {
            std::this_thread::yield();
        }
        actor->RunMessageLoop();
    });
    auto [delivered, reply] = Call(*actor, 0, 0);
    returned = true;
    EXPECT_TRUE(delivered);
    EXPECT_EQ(handledOn, runner.get_id());
    EXPECT_EQ(actor->managedOn, runner.get_id());
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    runner.join();
}

// A thread whose steps run the test's code.
class StepThread : public dp::Thread {
public:
    StepThread(std::function<void()> startup, std::function<void()> body)
        : dp::Thread("StepThread", 0), startup_(std::move(startup)), body_(std::move(body)) {}
    ~StepThread() override { WaitForThreadToTerminate(); }
    bool bodyRan = false;  // read after the thread ended

protected:
    void ThreadStartup() override { startup_(); }
    void ThreadBody() override {
        bodyRan = true;
        body_();
    }

private:
    std::function<void()> startup_, body_;
};

TEST(Threads, AnExceptionEscapingAThreadStepIsTracedAndEndsThatThreadOnly) {
    testing_support::TraceCapture trace;
    StepThread body([] {}, [] { throw std::runtime_error("the view is gone"); });
    ASSERT_TRUE(body.Start(true));
    body.WaitForThreadToTerminate();
    StepThread startup([] { throw 42; }, [] {});
    ASSERT_TRUE(startup.Start(true));
    startup.WaitForThreadToTerminate();
    EXPECT_TRUE(body.bodyRan);
    EXPECT_FALSE(startup.bodyRan);  // a failed start-up step leaves nothing for the body to run on

    EXPECT_EQ(trace.Texts(),
              (std::vector<std::string>{
                  "dp::Thread/StepThread 3 Thread StepThread ended by an exception in its body:- the "
                  "view is gone\n",
                  "dp::Thread/StepThread 3 Thread StepThread ended by an unexpected exception in its "
                  "start-up step.\n"}));
}

// Unmanaged by a thread that holds no reference of its own, an object may end on the queue thread as soon as
// the queue lets go of it; a lookup by name running meanwhile must never reach it.
TEST(Threads, AnObjectUnmanagedByAThreadWithoutAReferenceLeavesItsNameBeforeTheQueueLetsItGo) {
    LoopThread loop;
    const du::Symbol name("unmanaged-without-a-reference");
    std::atomic<bool> done{false};
    std::thread looker([&] {
        while (!done.load()) {
            dom::GetDistinguishedObject(du::Symbol(), name, 0);  // must never reach an object that has ended
        }
    });
    for (int i = 0; i < 3000 && !HasFailure(); ++i) {
        ManagedObject* object = new Actor;
        EXPECT_TRUE(object->ManageSelf(loop.queue, name, 0));  // the queue holds the only reference
        EXPECT_TRUE(object->Unmanage());
    }
    done = true;
    looker.join();
}

}  // namespace
