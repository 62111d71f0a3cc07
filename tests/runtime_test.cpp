#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <latch>
#include <limits>
#include <stdexcept>
#include <string>
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
#include "dp/DeadReference.h"
#include "dp/RZTracer.h"
#include "du/CommonAllocated.h"
#include "support/TraceCapture.h"

namespace {

using dom::GenericMessageQueue;
using dom::ManagedObject;
using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;
using dom::ReturnReason;
using Log = std::vector<std::string>;
using QueuePtr = du::SmartPtr<GenericMessageQueue>;

// An actor whose callbacks record what happened and run optional test code.
class Actor : public ManagedObject {
public:
    explicit Actor(std::string name = "actor", Log* log = nullptr, int* destroyed = nullptr)
        : name_(std::move(name)), log_(log ? log : &ownLog_), destroyed_(destroyed) {}
    ~Actor() override {
        if (destroyed_) {
            ++*destroyed_;
        }
    }

    void HandleMessage(const MessagePtr& message) override {
        log_->push_back(name_ + " msg " + std::to_string(message->GetTag()));
        if (onMessage) {
            onMessage(message);
        }
    }
    void HandleTimeoutEvent(std::int64_t now) override {
        log_->push_back(name_ + " tick " + std::to_string(now));
        if (onTimeout) {
            onTimeout(now);
        }
    }
    void OnManage() override { log_->push_back(name_ + " managed"); }
    void HandleOnIdleEvent() override {
        ++idleEvents;
        if (onIdle) {
            onIdle();
        }
    }

    std::function<void(const MessagePtr&)> onMessage;
    std::function<void(std::int64_t)> onTimeout;
    std::function<void()> onIdle;
    int idleEvents = 0;
    Log& GetLog() { return *log_; }

private:
    std::string name_;
    Log ownLog_;
    Log* log_;
    int* destroyed_;
};

// A new object of type T, managed by queue.
template <class T = Actor, class... Args>
du::SmartPtr<T> Managed(const QueuePtr& queue, Args&&... args) {
    du::SmartPtr<T> object(new T(std::forward<Args>(args)...));
    EXPECT_TRUE(object->ManageSelf(queue, du::Symbol(), 0));
    return object;
}

// Sends value one-way, or, with delivered, as a blocking call.
MessagePtr Send(const ManagedObject& target, std::int16_t tag, int value, bool* delivered = nullptr) {
    MessageWriter writer = target.StartNewMessage(tag);
    writer.PushInt32Value(value);
    if (delivered) {
        writer.MarkNeedsReplyFlag();
    }
    MessagePtr message = writer.FinaliseMessage();
    bool ok = target.DeliverMessage(message);
    if (delivered) {
        *delivered = ok;
    }
    return message;
}

// The first value of message as an int32, or -1 when there is none.
std::int32_t FirstInt(const MessagePtr& message) {
    std::int32_t value = -1;
    MessageReader(message).GetInt32Value(value);
    return value;
}

// Echoes the int it receives plus one (tag 0), refuses (tags 1 and 2) or handles without a reply.
void EchoOrRefuse(const MessagePtr& message) {
    if (message->GetTag() == 0) {
        std::int32_t value = FirstInt(message);
        MessageWriter reply;
        reply.StartMessageReply(message);
        reply.PushInt32Value(value + 1);
        reply.FinaliseMessage();
    } else if (message->GetTag() == 1) {
        dom::PrepMessageForReturnBadTag(message);
    } else if (message->GetTag() == 2) {
        dom::PrepMessageForReturnBadTable(message);
    }
}

TEST(Queue, PumpRunsTimeoutsInTimeOrderThenMessagesInFifoOrderAndStopsAtAHandlerException) {
    Log log;
    auto queue = GenericMessageQueue::CreateManual(1000);
    auto fast = Managed(queue, "fast", &log);
    du::SmartPtr<Actor> slow(new Actor("slow", &log));
    ASSERT_TRUE(fast->ManageObject(slow));
    ASSERT_TRUE(slow->AddRecurringTimeout(100));
    ASSERT_TRUE(fast->AddRecurringTimeout(30));
    EXPECT_FALSE(fast->AddRecurringTimeout(0));
    slow->onMessage = [&](const MessagePtr& message) {
        if (message->GetTag() == 3) {
            Send(*fast, 4, 0);  // queued by a handler: runs in the same pump
        }
    };
    Send(*slow, 1, 0);
    Send(*fast, 2, 0);
    Send(*slow, 3, 0);
    log.clear();

    queue->AdvanceTime(100);
    EXPECT_EQ(queue->RunPending(), 6u);  // fast fell due three times and fires once
    EXPECT_EQ(log, (Log{"fast tick 1090", "slow tick 1100", "slow msg 1", "fast msg 2", "slow msg 3",
                        "fast msg 4"}));
    EXPECT_EQ(fast->idleEvents, 1);

    log.clear();
    queue->AdvanceTime(19);
    EXPECT_EQ(queue->RunPending(), 0u);
    EXPECT_EQ(fast->idleEvents, 1);  // nothing ran: no idleness to announce
    queue->AdvanceTime(1);
    queue->RunPending();
    EXPECT_EQ(log, (Log{"fast tick 1120"}));

    fast->onMessage = [](const MessagePtr&) { throw std::runtime_error("boom"); };
    Send(*fast, 5, 0);
    Send(*slow, 6, 0);
    EXPECT_THROW(queue->RunPending(), std::runtime_error);
    EXPECT_EQ(queue->GetPendingCount(), 1u);  // the rest stays queued
    queue->RunPending();
    EXPECT_EQ(log.back(), "slow msg 6");
}

TEST(Queue, ATimeoutSlowerThanItsPeriodFiresOncePerPumpSkipsWhatItMissedAndLetsMessagesRun) {
    auto queue = GenericMessageQueue::CreateManual();
    auto actor = Managed(queue);
    int slowTicks = 3;  // bounded, so that a queue that fires it again and again still ends the pump
    actor->onTimeout = [&](std::int64_t) {
        if (slowTicks-- > 0) {
            queue->AdvanceTime(25);  // the handler takes two and a half periods
        }
    };
    ASSERT_TRUE(actor->AddRecurringTimeout(10));
    actor->GetLog().clear();
    Send(*actor, 1, 0);
    queue->AdvanceTime(10);
    EXPECT_EQ(queue->RunPending(), 2u);
    EXPECT_EQ(actor->GetLog(), (Log{"actor tick 10", "actor msg 1"}));

    Send(*actor, 2, 0);
    EXPECT_EQ(queue->RunPending(), 2u);  // now 35: due at 20 and 30, it fires once
    EXPECT_EQ(actor->GetLog(), (Log{"actor tick 10", "actor msg 1", "actor tick 30", "actor msg 2"}));
    EXPECT_EQ(queue->Now(), 60);
    actor->GetLog().clear();
    queue->RunPending();
    EXPECT_EQ(actor->GetLog(), (Log{"actor tick 60"}));  // the next multiple of the period, not 40 and 50
}

TEST(Queue, ACallbackMovingTheClockRunsNestedRoundsThatFireEachStepsTimeoutsAndTheirMessages) {
    auto queue = GenericMessageQueue::CreateManual();
    Log log;
    auto ticker = Managed(queue, "ticker", &log);
    auto driver = Managed(queue, "driver", &log);
    ticker->onTimeout = [&](std::int64_t) { Send(*ticker, 7, 0); };
    driver->onMessage = [&](const MessagePtr&) {
        for (int step = 0; step < 3; ++step) {
            queue->AdvanceTime(10);
            queue->RunNestedRounds();
        }
    };
    ASSERT_TRUE(ticker->AddRecurringTimeout(10));
    queue->RunPending();
    log.clear();
    Send(*driver, 5, 0);
    EXPECT_EQ(queue->RunPending(), 1u);
    EXPECT_EQ(log, (Log{"driver msg 5", "ticker tick 10", "ticker msg 7", "ticker tick 20", "ticker msg 7",
                        "ticker tick 30", "ticker msg 7"}));
    // Only the thread running the queue, from a callback, may run rounds inside it.
    EXPECT_THROW(queue->RunNestedRounds(), dom::InvalidActorException);
}

TEST(Queue, TimesTooFarAheadForTheClockMeanNeverInsteadOfOverflowingIntoThePast) {
    auto queue = GenericMessageQueue::CreateManual();
    auto actor = Managed(queue);
    constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();
    ASSERT_TRUE(actor->AddRecurringTimeout(kForever));
    ASSERT_TRUE(actor->AddRecurringTimeout(kForever / 2));
    actor->GetLog().clear();
    queue->AdvanceTime(1000);
    queue->RunPending();
    EXPECT_TRUE(actor->GetLog().empty());

    queue->AdvanceTime(kForever);  // the clock stops at its end
    EXPECT_EQ(queue->Now(), kForever);
    queue->RunPending();
    queue->RunPending();
    EXPECT_EQ(actor->GetLog(), (Log{"actor tick " + std::to_string(kForever - 1)}));  // then never
}

TEST(Queue, AnIdlePassTellsEachObjectStillManagedOnceWhileAnIdleHandlerUnmanagesObjects) {
    for (bool itself : {true, false}) {
        auto queue = GenericMessageQueue::CreateManual();
        auto first = Managed(queue, "first"), second = Managed(queue, "second"),
             third = Managed(queue, "third");
        first->onIdle = [&] { (itself ? first : second)->Unmanage(); };
        Send(*third, 1, 0);
        queue->RunPending();
        EXPECT_EQ(first->idleEvents, 1);
        EXPECT_EQ(second->idleEvents, itself ? 1 : 0);
        EXPECT_EQ(third->idleEvents, 1);

        // Timeouts alone are no work that ends in idleness: a queue that only ticks announces nothing.
        queue->RunPending();  // what the unmanagement left for the queue itself
        const int announced = third->idleEvents;
        third->AddRecurringTimeout(10);
        queue->AdvanceTime(10);
        EXPECT_EQ(queue->RunPending(), 1u);
        EXPECT_EQ(third->idleEvents, announced);
    }
}

TEST(Manage, OnManageRunsAtOnceOnTheOwnerThreadAndUnmanageTakesTimersNameAndWaitingMessages) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> module(new Actor("module"));
    du::SmartPtr<Actor> child(new Actor("child", &module->GetLog()));
    EXPECT_FALSE(du::SmartPtr<Actor>(new Actor)->ManageObject(child));  // the manager is not managed
    EXPECT_FALSE(module->IsManagedByCurrentThread());
    ASSERT_TRUE(module->ManageSelf(queue, "unmanage-me", 0));
    EXPECT_FALSE(module->ManageSelf(queue, du::Symbol(), 0));
    EXPECT_FALSE(module->ManageObject(nullptr));
    ASSERT_TRUE(module->ManageObject(child));
    EXPECT_TRUE(module->ManageObject(child));  // already here: no second OnManage
    EXPECT_EQ(module->GetLog(), (Log{"module managed", "child managed"}));
    EXPECT_TRUE(child->IsManagedByCurrentThread());
    EXPECT_FALSE(module->ManageObject(Managed(GenericMessageQueue::CreateManual())));  // on another queue

    module->AddRecurringTimeout(10);
    MessagePtr waiting = Send(*module, 1, 0);
    EXPECT_TRUE(module->Unmanage());
    EXPECT_EQ(queue->GetPendingCount(), 1u);  // the waiting message, not the queue's own keeper
    EXPECT_FALSE(module->Unmanage());
    EXPECT_TRUE(dom::GetDistinguishedObject(du::Symbol(), "unmanage-me", 0).IsNull());
    EXPECT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));  // it may come back to its queue at once
    module->GetLog().clear();
    queue->AdvanceTime(50);
    queue->RunPending();
    EXPECT_TRUE(module->GetLog().empty());  // neither its old timeout nor what was sent before it left
    EXPECT_EQ(waiting->GetReturnReason(), ReturnReason::Unmanaged);
    Send(*module, 2, 0);
    queue->RunPending();
    EXPECT_EQ(module->GetLog(), (Log{"module msg 2"}));
}

TEST(Manage, ShutdownRunsOrReturnsWhatIsQueuedByModeReleasesObjectsAndRefusesNewWork) {
    int destroyed = 0;
    auto dropped = GenericMessageQueue::CreateManual();
    auto kept = Managed(dropped, "k");
    kept->ManageObject(du::SmartPtr<ManagedObject>(new Actor("g", nullptr, &destroyed)));
    MessagePtr queued = Send(*kept, 5, 0);
    dropped = nullptr;
    EXPECT_EQ(destroyed, 1);  // the queue held the only reference
    EXPECT_FALSE(kept->IsManaged());
    EXPECT_EQ(queued->GetReturnReason(), ReturnReason::ShutDown);

    for (int mode : {dom::MessageQueue::SHUTDOWN_AFTER_PENDING, dom::MessageQueue::SHUTDOWN_NOW}) {
        auto queue = GenericMessageQueue::CreateManual();
        Managed(queue, "a", nullptr, &destroyed);
        auto actor = Managed(queue);
        actor->onMessage = [&](const MessagePtr& message) {
            if (message->GetTag() == 1) {
                queue->ShutdownQueue(mode);
                EXPECT_FALSE(actor->DeliverMessage(actor->StartNewMessage(3).FinaliseMessage()));
            }
        };
        Send(*actor, 1, 0);
        MessagePtr second = Send(*actor, 2, 0);
        queue->RunPending();
        bool ran = actor->GetLog().back() == "actor msg 2";
        EXPECT_EQ(ran, mode == dom::MessageQueue::SHUTDOWN_AFTER_PENDING);
        EXPECT_EQ(second->GetReturnReason(), ran ? ReturnReason::None : ReturnReason::ShutDown);
        EXPECT_EQ(destroyed, mode == dom::MessageQueue::SHUTDOWN_NOW ? 3 : 2);
        EXPECT_TRUE(queue->IsShutDown());
        EXPECT_FALSE(actor->IsManaged());
        EXPECT_FALSE(actor->IsManagedByCurrentThread());

        bool delivered = true;
        EXPECT_EQ(Send(*actor, 4, 0, &delivered)->GetReturnReason(), ReturnReason::Unmanaged);
        EXPECT_FALSE(delivered);
        EXPECT_THROW(actor->ManageSelf(queue, du::Symbol(), 0), dom::ActorShutdownException);
        // A loop that starts after the shutdown (a module thread slower than its terminate) ends at once,
        // without an error: the queue was simply shut down first.
        EXPECT_EQ(actor->RunMessageLoop(), 0);
    }
}

TEST(BlockingCall, OnTheOwnerThreadRunsTargetDirectlyEvenFromAHandlerAndReturnsEveryOutcome) {
    auto queue = GenericMessageQueue::CreateManual();
    auto actor = Managed(queue);
    actor->onMessage = EchoOrRefuse;
    bool delivered = false;
    MessagePtr replied = Send(*actor, 0, 41, &delivered);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(queue->GetPendingCount(), 0u);  // ran at once: nothing was queued
    EXPECT_EQ(FirstInt(replied), 42);

    const std::pair<std::int16_t, ReturnReason> refusals[] = {
        {1, ReturnReason::BadTag}, {2, ReturnReason::BadTable}, {3, ReturnReason::Unhandled}};
    for (auto [tag, reason] : refusals) {
        MessagePtr returned = Send(*actor, tag, 7, &delivered);
        EXPECT_FALSE(delivered);
        EXPECT_EQ(returned->GetReturnReason(), reason);
        EXPECT_EQ(FirstInt(returned), -1);  // the caller never reads its own request back
    }
    EXPECT_THROW(actor->DeliverMessage(replied), dom::MessageProtocolException);

    // A handler calling another object of its own queue must not wait for the queue it runs on.
    du::SmartPtr<Actor> observer(new Actor("observer"));
    actor->ManageObject(observer);
    std::int32_t seen = 0;
    observer->onMessage = [&](const MessagePtr&) { seen = FirstInt(Send(*actor, 0, 1, &delivered)); };
    Send(*observer, 9, 0);
    queue->RunPending();
    EXPECT_EQ(seen, 2);
}

// A counted object that travels as an object pointer.
struct Payload : du::RefCounted {
    explicit Payload(int* destroyed) : destroyed(destroyed) {}
    ~Payload() override { ++*destroyed; }
    int* destroyed;
};

TEST(Message, ReaderChecksKindsInWriteOrderTakesTravellingReferencesAndAnswersFalseAtTheEnd) {
    int destroyed = 0;
    du::SmartPtr<Payload> payload(new Payload(&destroyed));
    du::SmartPtr<Actor> actor(new Actor);
    auto push = [&](MessageWriter& writer) {
        payload->AddReference();  // the travelling reference
        writer.PushSmartPtr(payload.Get(), payload.Get());
    };
    {
        MessageWriter writer = actor->StartNewMessage(7);
        writer.PushStringValue("navigator");
        writer.PushUInt32Value(5);
        writer.PushBooleanValue(true);
        push(writer);
        writer.PushSmartPtr(nullptr, nullptr);
        for (int i = 0; i < 40; ++i) {  // past the values kept inline
            writer.PushInt32Value(i);
        }
        MessageReader reader(writer.FinaliseMessage());
        du::Symbol text;
        std::int32_t number = -1;
        std::uint32_t unsignedNumber = 0;
        bool flag = false;
        Payload* raw = nullptr;
        void* empty = &destroyed;
        EXPECT_FALSE(reader.GetInt32Value(number));  // a string comes first
        EXPECT_TRUE(reader.GetStringValue(text));
        EXPECT_FALSE(reader.GetBooleanValue(flag));  // the position stays at the unsigned value
        EXPECT_TRUE(reader.GetUInt32Value(unsignedNumber) && reader.GetBooleanValue(flag));
        EXPECT_EQ(text, du::Symbol("navigator"));
        EXPECT_TRUE(flag && unsignedNumber == 5u);
        ASSERT_TRUE(reader.GetRawPtr(raw));
        EXPECT_EQ(raw, payload.Get());
        du::SmartPtr<Payload> received(raw);
        raw->RemoveReference();  // the receiver drops the travelling reference once it holds its own
        EXPECT_EQ(payload->GetReferenceCount(), 2);
        ASSERT_TRUE(reader.GetRawPtr(empty));
        EXPECT_EQ(empty, nullptr);
        for (int i = 0; i < 40; ++i) {
            ASSERT_TRUE(reader.GetInt32Value(number));
            EXPECT_EQ(number, i);
        }
        EXPECT_FALSE(reader.HasMoreValues());
        EXPECT_FALSE(reader.GetInt32Value(number));
        EXPECT_FALSE(reader.GetRawPtr(empty));
    }
    EXPECT_EQ(payload->GetReferenceCount(), 1);  // nothing leaked, nothing released twice
    {
        MessageWriter writer = actor->StartNewMessage(1);
        writer.PushStringValue("refused before the pointer");
        push(writer);
        dom::PrepMessageForReturnBadTag(writer.FinaliseMessage());
        EXPECT_EQ(payload->GetReferenceCount(), 1);  // returning drops the values
    }
    {
        MessageWriter writer = actor->StartNewMessage(2);
        push(writer);
    }
    EXPECT_EQ(payload->GetReferenceCount(), 1);  // never read: released with the message
    payload = nullptr;
    EXPECT_EQ(destroyed, 1);
    EXPECT_THROW(MessageWriter().PushInt32Value(1), std::logic_error);
}

using MethodTable = std::vector<std::pair<const char*, std::int16_t>>;

// Makes plain proxies for test::Calculator from the method table it is given; registered, if asked, for
// its lifetime.
class CalculatorFactory : public dom::ProxyFactory {
public:
    explicit CalculatorFactory(MethodTable table, bool registered = true) : table_(std::move(table)) {
        if (registered) {
            dom::ProxyFactoryMap::Instance().RegisterFactory(this);
        }
    }
    ~CalculatorFactory() override { dom::ProxyFactoryMap::Instance().UnregisterFactory(this); }
    du::Symbol GetProxiedClassName() const override { return "test::Calculator"; }
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t peerHost) override {
        void* memory = du::CommonAllocatorImpl::Allocate(sizeof(dom::ProxyObject));
        return memory ? new (memory) dom::ProxyObject(interfaceIndex, GetRebindTableForHost(peerHost))
                      : nullptr;
    }
    std::uint32_t GetMethodCount() const override { return static_cast<std::uint32_t>(table_.size()); }
    du::Symbol GetMethodSignature(std::uint32_t position) const override { return table_.at(position).first; }
    std::int16_t GetMethodTag(std::uint32_t position) const override { return table_.at(position).second; }

private:
    MethodTable table_;
};

// The object behind the proxies: describes itself as test::Calculator (0) and test::Adder (1).
class CalculatorImpl : public Actor {
public:
    using Actor::Actor;
    std::int16_t BaseClassOffsetByName(const du::Symbol& name) const override {
        return name == GetBaseClass(0) ? 0 : name == GetBaseClass(1) ? 1 : -1;
    }
    int GetBaseClassCount() const override { return 2; }
    du::Symbol GetBaseClass(int index) const override {
        return index == 0 ? du::Symbol("test::Calculator") : index == 1 ? "test::Adder" : du::Symbol::EMPTY;
    }
};

const MethodTable kCalculatorTable = {{"Add__Il", 0}, {"Clear", 2}, {"Subtract__Il", 1}};

TEST(RebindTable, MapsEachTagToThePeersTagForTheSameSignatureOrToItselfWithoutAPeer) {
    CalculatorFactory local(kCalculatorTable, false);
    dom::RebindTablePtr alone = local.GetRebindTableForHost(dom::ProxyFactory::LOCAL_HOST);
    EXPECT_EQ((std::vector{alone->Rebind(0), alone->Rebind(1), alone->Rebind(2)}),
              (std::vector<std::int16_t>{0, 1, 2}));
    EXPECT_EQ(dom::ProxyObject(3, nullptr).Rebind(17), 17);

    // The peer declares the same operations in another order and lacks Clear.
    CalculatorFactory peer({{"Add__Il", 1}, {"Subtract__Il", 0}, {"Square", 2}});
    dom::RebindTablePtr table = local.GetRebindTableForHost(dom::ProxyFactory::LOCAL_HOST);
    ASSERT_EQ(table->GetSize(), 3u);
    EXPECT_EQ((std::vector{table->Rebind(0), table->Rebind(1), table->Rebind(2), table->Rebind(3),
                           table->Rebind(-1)}),
              (std::vector<std::int16_t>{1, 0, -1, -1, -1}));
}

TEST(Handle, ResolvesToTheObjectOnItsOwnQueueAndToABoundProxyOnAnother) {
    CalculatorFactory factory(kCalculatorTable);
    auto home = GenericMessageQueue::CreateManual();
    auto away = GenericMessageQueue::CreateManual();
    auto calculator = Managed<CalculatorImpl>(home, "calc");
    du::SmartPtr<Actor> neighbour(new Actor("neighbour"));
    calculator->ManageObject(neighbour);
    auto stranger = Managed(away, "stranger");
    const dom::Helper atHome(*neighbour), abroad(*stranger);

    MessageWriter writer = stranger->StartNewMessage(0);
    abroad.PushHandleValue(calculator, 1, writer);
    abroad.PushHandleValue(nullptr, 0, writer);
    abroad.PushHandleValue(neighbour, 0, writer);  // a class that no factory serves
    MessagePtr message = writer.FinaliseMessage();

    du::SmartPtr<ManagedObject> local, remote, empty(stranger), plain;
    MessageReader homeReader(message);
    ASSERT_TRUE(atHome.GetHandleValue(local, "test::Adder", homeReader));
    EXPECT_EQ(local.Get(), calculator.Get());

    MessageReader reader(message);
    ASSERT_TRUE(abroad.GetHandleValue(remote, "test::Adder", reader));
    auto proxy = du::DynamicPtrCast<dom::ProxyObject>(remote);
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetTarget().Get(), calculator.Get());
    EXPECT_EQ(proxy->GetProxyInterfaceIndex(), 1);
    ASSERT_TRUE(abroad.GetHandleValue(empty, "test::Adder", reader));
    EXPECT_TRUE(empty.IsNull());
    ASSERT_TRUE(abroad.GetHandleValue(plain, du::Symbol::EMPTY, reader));
    EXPECT_EQ(plain.Get(), neighbour.Get());
    EXPECT_FALSE(abroad.GetHandleValue(plain, du::Symbol::EMPTY, reader));

    // A call through the proxy reaches the object through the proxy's interface index.
    std::int16_t table = -1;
    calculator->onMessage = [&](const MessagePtr& m) { table = m->GetMethodTable(); };
    Send(*proxy, proxy->Rebind(0), 5);
    home->RunPending();
    EXPECT_EQ(calculator->GetLog().back(), "calc msg 0");
    EXPECT_EQ(table, 1);

    // A handle written from a proxy names the proxy's target.
    MessageWriter again = stranger->StartNewMessage(0);
    abroad.PushHandleValue(remote, 1, again);
    MessageReader onceMore(again.FinaliseMessage());
    ASSERT_TRUE(atHome.GetHandleValue(local, "test::Adder", onceMore));
    EXPECT_EQ(local.Get(), calculator.Get());
}

TEST(Handle, AProxyThatCannotBeMadeFailsTheReadAndMessagesKeepHandlesAlive) {
    CalculatorFactory factory(kCalculatorTable);
    auto home = GenericMessageQueue::CreateManual();
    int destroyed = 0;
    auto calculator = Managed<CalculatorImpl>(home, "calc", nullptr, &destroyed);
    auto away = GenericMessageQueue::CreateManual();
    auto stranger = Managed(away);
    MessageWriter writer = stranger->StartNewMessage(0);
    dom::Helper(*stranger).PushHandleValue(calculator, 0, writer);
    home->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    calculator = nullptr;
    EXPECT_EQ(destroyed, 0);  // the handle holds it
    {
        du::CommonAllocatorImpl::FailNextAllocations(2);
        EXPECT_THROW(new CalculatorFactory({}, false), std::bad_alloc);  // new never answers null
        MessageReader reader(writer.FinaliseMessage());
        du::SmartPtr<ManagedObject> object;
        EXPECT_FALSE(dom::Helper(*stranger).GetHandleValue(object, "test::Calculator", reader));
        EXPECT_TRUE(object.IsNull());
        EXPECT_TRUE(
            dom::Helper(*stranger).GetHandleValue(object, "test::Calculator", reader));  // position kept
        EXPECT_TRUE(object);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(DistinguishedObject, LookupWaitsForTheNameAndFindsItUntilItsQueueShutsDown) {
    CalculatorFactory factory(kCalculatorTable);
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<CalculatorImpl> module(new CalculatorImpl("module"));
    const du::Symbol name("Calculator For Process 1");
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Calculator", name, 0).IsNull());
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Calculator", "Never Registered", 1).IsNull());
    std::latch looking(1);
    auto fromAnotherThread = std::async(std::launch::async, [&] {
        looking.count_down();
        return dom::GetDistinguishedObject("test::Adder", name, std::numeric_limits<std::int64_t>::max());
    });
    looking.wait();
    ASSERT_TRUE(module->ManageSelf(queue, name, 0));
    auto proxy = du::DynamicPtrCast<dom::ProxyObject>(fromAnotherThread.get());
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetProxyInterfaceIndex(), 1);

    du::SmartPtr<Actor> rival(new Actor("rival"));
    EXPECT_FALSE(rival->ManageSelf(queue, name, 0));  // the name is taken
    EXPECT_FALSE(rival->IsManaged());
    EXPECT_EQ(dom::GetDistinguishedObject("test::Adder", name, 0).Get(), module.Get());  // owner thread
    EXPECT_EQ(
        dom::GetDistinguishedObject("test::Adder", name, std::numeric_limits<std::int64_t>::max()).Get(),
        module.Get());
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Unknown", name, 0).IsNull());
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Calculator", name, 0).IsNull());
}

TEST(Tracer, PiecesMakeOneLineEndingWithANewlinePieceAndFormatWritesWholeLines) {
    testing_support::TraceCapture trace;
    dp::RZTracer tracer("<generated code>", "WorkflowManager");
    tracer.GetFormatter(3) << "Unexpected tag offset " << std::int16_t{25}
                           << "for interface \"workflow::WorkflowManagerLocalImpl\".\n";
    {
        testing_support::TraceCapture inner;  // takes the sink over, then gives it back
        tracer.Format("hidden\n");
        EXPECT_EQ(inner.Lines().size(), 1u);
    }
    tracer.GetFormatter(0) << "Got a ActorShutdownException:-\n\t" << std::string("gone") << "\n";
    tracer.Format("Actor %s shutting down queue 0x%08x\n", "Workflow Manager", 0x1234u);
    tracer.GetFormatter(3).Format("%d items", 3);

    EXPECT_EQ(
        trace.Texts(),
        (Log{"<generated code>/WorkflowManager 3 Unexpected tag offset 25for interface "
             "\"workflow::WorkflowManagerLocalImpl\".\n",
             "<generated code>/WorkflowManager 0 Got a ActorShutdownException:-\n\tgone\n",
             "<generated code>/WorkflowManager 0 Actor Workflow Manager shutting down queue 0x00001234\n",
             "<generated code>/WorkflowManager 3 3 items"}));
}

#if defined(__SANITIZE_ADDRESS__)
// Message blocks are recycled, not freed; a recycled block is poisoned so that a late use is still caught.
TEST(MessageDeathTest, UsingAMessageAfterItsLastReferenceWentIsReportedThoughItsBlockIsRecycled) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    du::SmartPtr<Actor> actor(new Actor);
    EXPECT_DEATH(
        {
            const dom::Message* gone = actor->StartNewMessage(7).FinaliseMessage().Get();
            std::printf("%d\n", gone->GetTag());
        },
        "use-after-poison");
}
#endif

// Runs in a fresh process: the registry is made after the exit handler is registered, so it is destroyed
// before the handler runs.
[[noreturn]] void ReachRegistryDuringTeardown() {
    std::atexit([] {
        try {
            dom::ProxyFactoryMap::Instance();
        } catch (const dp::DeadReference&) {
            std::_Exit(42);
        }
        std::_Exit(1);
    });
    dom::ProxyFactoryMap::Instance();
    std::exit(0);
}

TEST(ProxyFactoryMapDeathTest, ReachingTheRegistryAfterItsDestructionRaisesDeadReference) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ReachRegistryDuringTeardown(), testing::ExitedWithCode(42), "");
}

// The manual clock is the holder's for as long as it holds it: the queues made meanwhile run on it, and a
// start that throws cannot leave it on for the queues made after. (A process-wide switch stayed on when
// the code between switching it on and off threw.)
TEST(ManualClockForNewQueues, QueuesMadeWhileHeldRunOnAManualClockAndNoneAfterItGoesHoweverItGoes) {
    EXPECT_FALSE(du::SmartPtr<dom::GenericMessageQueue>(new dom::GenericMessageQueue)->HasManualClock());
    du::SmartPtr<dom::GenericMessageQueue> second;
    {
        dom::ManualClockForNewQueues manual;
        EXPECT_THROW(dom::ManualClockForNewQueues(), std::logic_error);
        EXPECT_FALSE(manual.Queue());
        du::SmartPtr<dom::GenericMessageQueue> first(new dom::GenericMessageQueue);
        second = new dom::GenericMessageQueue;
        EXPECT_TRUE(first->HasManualClock());
        EXPECT_EQ(first->Now(), 0);
        EXPECT_EQ(manual.Queue(), second);
    }
    EXPECT_FALSE(du::SmartPtr<dom::GenericMessageQueue>(new dom::GenericMessageQueue)->HasManualClock());
    second->AdvanceTime(10);
    EXPECT_EQ(second->Now(), 10);
    try {
        dom::ManualClockForNewQueues manual;
        throw std::runtime_error("the library failed to start");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(du::SmartPtr<dom::GenericMessageQueue>(new dom::GenericMessageQueue)->HasManualClock());
}

}  // namespace
