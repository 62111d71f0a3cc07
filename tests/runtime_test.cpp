#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
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

// An actor whose callbacks record what happened and run optional test code.
class Actor : public ManagedObject {
  public:
    explicit Actor(std::string name = "actor", std::vector<std::string>* log = nullptr,
                   int* destroyed = nullptr)
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
    }
    void OnManage() override { log_->push_back(name_ + " managed"); }
    void HandleOnIdleEvent() override { ++idleEvents; }

    std::function<void(const MessagePtr&)> onMessage;
    int idleEvents = 0;
    std::vector<std::string>& Log() { return *log_; }

  private:
    std::string name_;
    std::vector<std::string> ownLog_;
    std::vector<std::string>* log_;
    int* destroyed_;
};

// A counted object that travels as an object pointer.
struct Payload : du::RefCounted {
    explicit Payload(int* destroyed = nullptr) : destroyed(destroyed) {}
    ~Payload() override {
        if (destroyed) {
            ++*destroyed;
        }
    }
    int* destroyed;
};

void Send(const ManagedObject& from, std::int16_t tag, int value) {
    MessageWriter writer = from.StartNewMessage(tag);
    writer.PushInt32Value(value);
    from.DeliverMessage(writer.FinaliseMessage());
}

TEST(Queue, TimeoutsFireOncePerPeriodInTimeOrderThenMessagesInFifoOrder) {
    std::vector<std::string> log;
    auto queue = GenericMessageQueue::CreateManual(1000);
    du::SmartPtr<Actor> fast(new Actor("fast", &log));
    du::SmartPtr<Actor> slow(new Actor("slow", &log));
    ASSERT_TRUE(fast->ManageSelf(queue, du::Symbol(), 0));
    ASSERT_TRUE(fast->ManageObject(slow));
    ASSERT_TRUE(slow->AddRecurringTimeout(100));
    ASSERT_TRUE(fast->AddRecurringTimeout(30));
    EXPECT_FALSE(fast->AddRecurringTimeout(0));
    Send(*slow, 1, 0);
    Send(*fast, 2, 0);
    Send(*slow, 3, 0);
    log.clear();

    queue->AdvanceTime(100);
    EXPECT_EQ(queue->RunPending(), 7u);
    EXPECT_EQ(log, (std::vector<std::string>{"fast tick 1030", "fast tick 1060", "fast tick 1090",
                                             "slow tick 1100", "slow msg 1", "fast msg 2", "slow msg 3"}));

    log.clear();
    queue->AdvanceTime(19);
    EXPECT_EQ(queue->RunPending(), 0u);
    queue->AdvanceTime(1);
    queue->RunPending();
    EXPECT_EQ(log, (std::vector<std::string>{"fast tick 1120"}));
}

TEST(Queue, MessagesQueuedByHandlersRunInTheSamePump) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> actor(new Actor);
    actor->ManageSelf(queue, du::Symbol(), 0);
    actor->onMessage = [&](const MessagePtr& message) {
        if (message->GetTag() < 3) {
            Send(*actor, static_cast<std::int16_t>(message->GetTag() + 1), 0);
        }
    };
    Send(*actor, 1, 0);
    EXPECT_EQ(queue->GetPendingCount(), 1u);
    EXPECT_EQ(queue->RunPending(), 3u);
    EXPECT_EQ(actor->Log().back(), "actor msg 3");
    EXPECT_EQ(actor->idleEvents, 1);  // once, when the pump ran out of work
    EXPECT_EQ(queue->GetPendingCount(), 0u);
    EXPECT_EQ(queue->RunPending(), 0u);
    EXPECT_EQ(actor->idleEvents, 1);
}

TEST(Queue, ShutdownFromAHandlerRunsOrReturnsWhatIsStillQueuedByMode) {
    for (int mode : {dom::MessageQueue::SHUTDOWN_AFTER_PENDING, dom::MessageQueue::SHUTDOWN_NOW}) {
        auto queue = GenericMessageQueue::CreateManual();
        du::SmartPtr<Actor> actor(new Actor);
        actor->ManageSelf(queue, du::Symbol(), 0);
        actor->onMessage = [&](const MessagePtr& message) {
            if (message->GetTag() == 1) {
                queue->ShutdownQueue(mode);
                MessageWriter late = actor->StartNewMessage(3);
                EXPECT_FALSE(actor->DeliverMessage(late.FinaliseMessage()));  // refused once stopping
            }
        };
        Send(*actor, 1, 0);
        MessagePtr second = actor->StartNewMessage(2).FinaliseMessage();
        actor->DeliverMessage(second);
        actor->Log().clear();
        queue->RunPending();
        bool ran = actor->Log().back() == "actor msg 2";
        EXPECT_EQ(ran, mode == dom::MessageQueue::SHUTDOWN_AFTER_PENDING);
        EXPECT_EQ(second->GetReturnReason(), ran ? dom::ReturnReason::None : dom::ReturnReason::ShutDown);
        EXPECT_FALSE(actor->IsManaged());
    }
}

TEST(Queue, HandlerExceptionLeavesTheRemainingMessagesQueued) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> actor(new Actor);
    actor->ManageSelf(queue, du::Symbol(), 0);
    actor->onMessage = [](const MessagePtr& message) {
        if (message->GetTag() == 1) {
            throw std::runtime_error("boom");
        }
    };
    Send(*actor, 1, 0);
    Send(*actor, 2, 0);
    EXPECT_THROW(queue->RunPending(), std::runtime_error);
    EXPECT_EQ(queue->GetPendingCount(), 1u);
    queue->RunPending();
    EXPECT_EQ(actor->Log().back(), "actor msg 2");
}

TEST(Manage, OnManageRunsAtOnceOnTheOwnerThreadAndOnlyManagedObjectsManage) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> module(new Actor("module"));
    du::SmartPtr<Actor> child(new Actor("child", &module->Log()));
    du::SmartPtr<Actor> loose(new Actor("loose"));

    EXPECT_FALSE(loose->ManageObject(child));  // loose is not managed
    EXPECT_FALSE(module->IsManagedByCurrentThread());
    ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));
    EXPECT_FALSE(module->ManageSelf(queue, du::Symbol(), 0));
    EXPECT_FALSE(module->ManageObject(nullptr));
    ASSERT_TRUE(module->ManageObject(child));
    EXPECT_EQ(module->Log(), (std::vector<std::string>{"module managed", "child managed"}));
    EXPECT_TRUE(module->ManageObject(child));  // already here: no second OnManage
    EXPECT_EQ(module->Log().size(), 2u);
    EXPECT_TRUE(child->IsManagedByCurrentThread());

    bool elsewhere = true;
    std::thread([&] { elsewhere = child->IsManagedByCurrentThread(); }).join();
    EXPECT_FALSE(elsewhere);

    auto other = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> stranger(new Actor("stranger"));
    stranger->ManageSelf(other, du::Symbol(), 0);
    EXPECT_FALSE(module->ManageObject(stranger));  // bound to another queue
}

TEST(Manage, ShutdownReleasesObjectsAndRefusesNewWork) {
    int destroyed = 0;
    auto queue = GenericMessageQueue::CreateManual();
    {
        du::SmartPtr<Actor> actor(new Actor("a", nullptr, &destroyed));
        actor->ManageSelf(queue, du::Symbol(), 0);
    }
    du::SmartPtr<Actor> survivor(new Actor("s", nullptr, &destroyed));
    survivor->ManageSelf(queue, du::Symbol(), 0);
    MessageWriter writer = survivor->StartNewMessage(4);
    writer.MarkNeedsReplyFlag();
    MessagePtr queued = survivor->StartNewMessage(5).FinaliseMessage();
    survivor->DeliverMessage(queued);

    EXPECT_EQ(destroyed, 0);
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    EXPECT_EQ(destroyed, 1);  // the queue held the only reference
    EXPECT_TRUE(queue->IsShutDown());
    EXPECT_FALSE(survivor->IsManaged());
    EXPECT_FALSE(survivor->IsManagedByCurrentThread());
    EXPECT_EQ(queued->GetReturnReason(), dom::ReturnReason::ShutDown);

    MessagePtr late = writer.FinaliseMessage();
    EXPECT_FALSE(survivor->DeliverMessage(late));
    EXPECT_EQ(late->GetReturnReason(), dom::ReturnReason::Unmanaged);
    EXPECT_THROW(survivor->ManageSelf(queue, du::Symbol(), 0), dom::ActorShutdownException);
    EXPECT_THROW(survivor->RunMessageLoop(), dom::InvalidActorException);
}

TEST(Manage, DroppingTheQueueReleasesItsObjects) {
    int destroyed = 0;
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> kept(new Actor("k", nullptr, &destroyed));
    kept->ManageSelf(queue, du::Symbol(), 0);
    kept->ManageObject(du::SmartPtr<ManagedObject>(new Actor("g", nullptr, &destroyed)));
    queue = nullptr;
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(kept->IsManaged());
}

TEST(Manage, UnmanagedObjectLosesItsTimersAndItsWaitingMessagesComeBack) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> actor(new Actor);
    actor->ManageSelf(queue, du::Symbol("unmanage-me"), 0);
    actor->AddRecurringTimeout(10);
    MessagePtr waiting = actor->StartNewMessage(1).FinaliseMessage();
    actor->DeliverMessage(waiting);
    actor->Log().clear();

    EXPECT_TRUE(actor->Unmanage());
    EXPECT_FALSE(actor->Unmanage());
    queue->AdvanceTime(50);
    queue->RunPending();
    EXPECT_TRUE(actor->Log().empty());
    EXPECT_EQ(waiting->GetReturnReason(), dom::ReturnReason::Unmanaged);
    EXPECT_TRUE(dom::GetDistinguishedObject(du::Symbol(), "unmanage-me", 0).IsNull());

    EXPECT_TRUE(actor->ManageSelf(queue, du::Symbol(), 0));  // may come back to the same queue
    EXPECT_TRUE(actor->IsManaged());
}

TEST(Message, ReaderChecksKindsInWriteOrderAndAnswersFalseAtTheEnd) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> actor(new Actor);
    MessageWriter writer = actor->StartNewMessage(7);
    writer.PushStringValue("navigator");
    writer.PushUInt32Value(5);
    writer.PushBooleanValue(true);
    writer.PushInt32Value(-3);
    writer.MarkNeedsReplyFlag();
    MessagePtr message = writer.FinaliseMessage();
    EXPECT_EQ(message->GetFlags(), dom::Message::NEEDS_REPLY_FLAG);
    EXPECT_EQ(message->GetTag(), 7);
    EXPECT_EQ(message->GetMethodTable(), 0);

    MessageReader reader(message);
    du::Symbol text;
    std::int32_t number = 0;
    std::uint32_t unsignedNumber = 0;
    bool flag = false;
    EXPECT_FALSE(reader.GetInt32Value(number));  // a string comes first
    EXPECT_TRUE(reader.GetStringValue(text));
    EXPECT_EQ(text, du::Symbol("navigator"));
    EXPECT_FALSE(reader.GetBooleanValue(flag));
    EXPECT_TRUE(reader.GetUInt32Value(unsignedNumber));
    EXPECT_TRUE(reader.GetBooleanValue(flag));
    EXPECT_TRUE(reader.GetInt32Value(number));
    EXPECT_EQ(unsignedNumber, 5u);
    EXPECT_TRUE(flag);
    EXPECT_EQ(number, -3);
    EXPECT_FALSE(reader.HasMoreValues());
    EXPECT_FALSE(reader.GetInt32Value(number));
    EXPECT_FALSE(reader.GetStringValue(text));

    message->ClearNeedsReplyFlag();
    EXPECT_EQ(message->GetFlags(), 0);
    EXPECT_THROW(MessageWriter().PushInt32Value(1), std::logic_error);
}

TEST(Message, ManyValuesOverflowTheInlineBuffer) {
    du::SmartPtr<Actor> actor(new Actor);
    MessageWriter writer = actor->StartNewMessage(0);
    for (int i = 0; i < 40; ++i) {
        writer.PushInt32Value(i);
    }
    MessageReader reader(writer.FinaliseMessage());
    for (int i = 0; i < 40; ++i) {
        std::int32_t value = -1;
        ASSERT_TRUE(reader.GetInt32Value(value));
        EXPECT_EQ(value, i);
    }
}

// Echoes the int it receives plus one, or refuses as told by the tag.
void EchoOrRefuse(const MessagePtr& message) {
    switch (message->GetTag()) {
        case 0: {
            MessageReader reader(message);
            std::int32_t value = 0;
            reader.GetInt32Value(value);
            MessageWriter reply;
            reply.StartMessageReply(message);
            reply.PushInt32Value(value + 1);
            reply.FinaliseMessage();
            break;
        }
        case 1:
            dom::PrepMessageForReturnBadTag(message);
            break;
        case 2:
            dom::PrepMessageForReturnBadTable(message);
            break;
        default:
            break;  // handled without a reply
    }
}

MessagePtr Call(const ManagedObject& target, std::int16_t tag, int value, bool* delivered) {
    MessageWriter writer = target.StartNewMessage(tag);
    writer.PushInt32Value(value);
    writer.MarkNeedsReplyFlag();
    MessagePtr message = writer.FinaliseMessage();
    *delivered = target.DeliverMessage(message);
    return message;
}

TEST(BlockingCall, OnTheOwnerThreadRunsTargetDirectlyAndReturnsEveryOutcome) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> actor(new Actor);
    actor->ManageSelf(queue, du::Symbol(), 0);
    actor->onMessage = EchoOrRefuse;

    bool delivered = false;
    MessagePtr replied = Call(*actor, 0, 41, &delivered);
    EXPECT_TRUE(delivered);  // ran at once: nothing was queued
    EXPECT_EQ(queue->GetPendingCount(), 0u);
    MessageReader reader(replied);
    std::int32_t value = 0;
    EXPECT_TRUE(reader.GetInt32Value(value));
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(reader.HasMoreValues());

    const std::pair<std::int16_t, dom::ReturnReason> refusals[] = {
        {1, dom::ReturnReason::BadTag}, {2, dom::ReturnReason::BadTable}, {3, dom::ReturnReason::Unhandled}};
    for (auto [tag, reason] : refusals) {
        MessagePtr returned = Call(*actor, tag, 7, &delivered);
        EXPECT_FALSE(delivered);
        EXPECT_EQ(returned->GetReturnReason(), reason);
        MessageReader nothing(returned);
        EXPECT_FALSE(nothing.GetInt32Value(value));  // the caller never reads its own request back
    }
    EXPECT_THROW(actor->DeliverMessage(replied), dom::MessageProtocolException);
}

TEST(BlockingCall, ReentrantCallFromAHandlerOnTheSameQueueDoesNotDeadlock) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<Actor> manager(new Actor("manager"));
    du::SmartPtr<Actor> observer(new Actor("observer", &manager->Log()));
    manager->ManageSelf(queue, du::Symbol(), 0);
    manager->ManageObject(observer);
    manager->onMessage = EchoOrRefuse;
    std::int32_t seen = 0;
    observer->onMessage = [&](const MessagePtr&) {
        bool delivered = false;
        MessageReader reader(Call(*manager, 0, 1, &delivered));
        reader.GetInt32Value(seen);
    };
    Send(*observer, 9, 0);
    queue->RunPending();
    EXPECT_EQ(seen, 2);
}

TEST(TravellingReference, ReaderTakesItAndUnreadOnesAreReleasedWithTheMessage) {
    int destroyed = 0;
    du::SmartPtr<Actor> actor(new Actor);
    du::SmartPtr<Payload> payload(new Payload(&destroyed));
    {
        MessageWriter writer = actor->StartNewMessage(0);
        payload->AddReference();  // the travelling reference
        writer.PushSmartPtr(payload.Get(), payload.Get());
        writer.PushSmartPtr(nullptr, nullptr);
        MessageReader reader(writer.FinaliseMessage());
        Payload* raw = nullptr;
        ASSERT_TRUE(reader.GetRawPtr(raw));
        EXPECT_EQ(raw, payload.Get());
        du::SmartPtr<Payload> received(raw);
        raw->RemoveReference();  // the receiver drops the travelling reference once it holds its own
        EXPECT_EQ(payload->GetReferenceCount(), 2);
        void* empty = &destroyed;
        ASSERT_TRUE(reader.GetRawPtr(empty));
        EXPECT_EQ(empty, nullptr);
    }
    EXPECT_EQ(payload->GetReferenceCount(), 1);  // nothing leaked, nothing released twice

    {
        MessageWriter writer = actor->StartNewMessage(1);
        payload->AddReference();
        writer.PushStringValue("refused before the pointer");
        writer.PushSmartPtr(payload.Get(), payload.Get());
        dom::PrepMessageForReturnBadTag(writer.FinaliseMessage());
        EXPECT_EQ(payload->GetReferenceCount(), 1);  // returning drops the values
    }
    {
        MessageWriter writer = actor->StartNewMessage(2);
        payload->AddReference();
        writer.PushSmartPtr(payload.Get(), payload.Get());
        EXPECT_EQ(payload->GetReferenceCount(), 2);
    }
    EXPECT_EQ(payload->GetReferenceCount(), 1);  // never read: released with the message
    payload = nullptr;
    EXPECT_EQ(destroyed, 1);
}

// A remote interface with three operations; its proxies record the rebound tags they send.
struct Calculator : virtual du::RefCounted {
    virtual void Add(int value) = 0;
};

class CalculatorProxy : public Calculator, public dom::ProxyObject {
  public:
    using ProxyObject::ProxyObject;
    void Add(int value) override {
        MessageWriter writer = StartNewMessage(Rebind(0));
        writer.PushInt32Value(value);
        DeliverMessage(writer.FinaliseMessage());
    }
};

class CalculatorFactory : public dom::ProxyFactory {
  public:
    explicit CalculatorFactory(std::vector<std::pair<const char*, std::int16_t>> table)
        : table_(std::move(table)) {}
    du::Symbol GetProxiedClassName() const override { return "test::Calculator"; }
    dom::ProxyObject* CreateProxy(std::int16_t interfaceIndex, std::uint32_t peerHost) override {
        void* memory = du::CommonAllocatorImpl::Allocate(sizeof(CalculatorProxy));
        if (!memory) {
            return nullptr;
        }
        return new (memory) CalculatorProxy(interfaceIndex, GetRebindTableForHost(peerHost));
    }
    std::uint32_t GetMethodCount() const override { return static_cast<std::uint32_t>(table_.size()); }
    du::Symbol GetMethodSignature(std::uint32_t position) const override {
        return position < table_.size() ? du::Symbol(table_[position].first) : du::Symbol::EMPTY;
    }
    std::int16_t GetMethodTag(std::uint32_t position) const override {
        return position < table_.size() ? table_[position].second : std::int16_t{-1};
    }

  private:
    std::vector<std::pair<const char*, std::int16_t>> table_;
};

// The object behind the proxies: describes itself as test::Calculator (0) and test::Adder (1).
class CalculatorImpl : public Actor {
  public:
    using Actor::Actor;
    std::int16_t BaseClassOffsetByName(const du::Symbol& name) const override {
        return name == du::Symbol("test::Calculator") ? 0 : name == du::Symbol("test::Adder") ? 1 : -1;
    }
    int GetBaseClassCount() const override { return 2; }
    du::Symbol GetBaseClass(int index) const override {
        return index == 0   ? du::Symbol("test::Calculator")
               : index == 1 ? du::Symbol("test::Adder")
                            : du::Symbol::EMPTY;
    }
};

// Registers a factory for the test's lifetime.
class Registered {
  public:
    explicit Registered(dom::ProxyFactory* factory) : factory_(factory) {
        dom::ProxyFactoryMap::Instance().RegisterFactory(factory_);
    }
    ~Registered() {
        dom::ProxyFactoryMap::Instance().UnregisterFactory(factory_);
        delete factory_;
    }

  private:
    dom::ProxyFactory* factory_;
};

const std::vector<std::pair<const char*, std::int16_t>> kCalculatorTable = {
    {"Add__Il", 0}, {"Clear", 2}, {"Subtract__Il", 1}};

TEST(RebindTable, MapsEachTagToThePeersTagForTheSameSignature) {
    // The peer declares the same operations in another order and lacks Clear.
    Registered peer(new CalculatorFactory({{"Add__Il", 1}, {"Subtract__Il", 0}, {"Square", 2}}));
    CalculatorFactory local(kCalculatorTable);
    dom::RebindTablePtr table = local.GetRebindTableForHost(dom::ProxyFactory::LOCAL_HOST);
    ASSERT_EQ(table->GetSize(), 3u);
    EXPECT_EQ(table->Rebind(0), 1);   // Add
    EXPECT_EQ(table->Rebind(1), 0);   // Subtract
    EXPECT_EQ(table->Rebind(2), -1);  // Clear: the peer has none
    EXPECT_EQ(table->Rebind(3), -1);
    EXPECT_EQ(table->Rebind(-1), -1);
    EXPECT_EQ(local.GetMethodSignature(3), du::Symbol::EMPTY);
    EXPECT_EQ(local.GetMethodTag(3), -1);
}

TEST(RebindTable, WithoutARegisteredPeerTheFactoryMapsToItself) {
    CalculatorFactory local(kCalculatorTable);
    dom::RebindTablePtr table = local.GetRebindTableForHost(dom::ProxyFactory::LOCAL_HOST);
    EXPECT_EQ(table->Rebind(0), 0);
    EXPECT_EQ(table->Rebind(1), 1);
    EXPECT_EQ(table->Rebind(2), 2);
    dom::ProxyObject identity(3, nullptr);
    EXPECT_EQ(identity.Rebind(17), 17);
    EXPECT_STREQ(identity.GetDebugClassName(), "dom::ProxyObject");
    EXPECT_STREQ(local.GetDebugClassName(), "dom::ProxyFactory");
}

TEST(Handle, ResolvesToTheObjectOnItsOwnQueueAndToABoundProxyOnAnother) {
    Registered factory(new CalculatorFactory(kCalculatorTable));
    auto home = GenericMessageQueue::CreateManual();
    auto away = GenericMessageQueue::CreateManual();
    du::SmartPtr<CalculatorImpl> calculator(new CalculatorImpl("calc"));
    du::SmartPtr<Actor> neighbour(new Actor("neighbour"));
    du::SmartPtr<Actor> stranger(new Actor("stranger"));
    calculator->ManageSelf(home, du::Symbol(), 0);
    calculator->ManageObject(neighbour);
    stranger->ManageSelf(away, du::Symbol(), 0);

    MessageWriter writer = stranger->StartNewMessage(0);
    dom::Helper(*stranger).PushHandleValue(calculator, 1, writer);
    dom::Helper(*stranger).PushHandleValue(nullptr, 0, writer);
    dom::Helper(*stranger).PushHandleValue(neighbour, 0, writer);  // a class without factory
    MessagePtr message = writer.FinaliseMessage();

    du::SmartPtr<ManagedObject> local;
    MessageReader atHome(message);
    ASSERT_TRUE(dom::Helper(*neighbour).GetHandleValue(local, "test::Adder", atHome));
    EXPECT_EQ(local.Get(), calculator.Get());

    MessageReader away_reader(message);
    du::SmartPtr<ManagedObject> remote, empty(stranger), plain;
    ASSERT_TRUE(dom::Helper(*stranger).GetHandleValue(remote, "test::Adder", away_reader));
    auto proxy = du::DynamicPtrCast<CalculatorProxy>(remote);
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetTarget().Get(), calculator.Get());
    EXPECT_EQ(proxy->GetProxyInterfaceIndex(), 1);
    ASSERT_TRUE(dom::Helper(*stranger).GetHandleValue(empty, "test::Adder", away_reader));
    EXPECT_TRUE(empty.IsNull());
    ASSERT_TRUE(dom::Helper(*stranger).GetHandleValue(plain, du::Symbol::EMPTY, away_reader));
    EXPECT_EQ(plain.Get(), neighbour.Get());
    std::int32_t notAHandle = 0;
    EXPECT_FALSE(away_reader.GetInt32Value(notAHandle));

    // A call through the proxy reaches the object, addressed through the proxy's interface index.
    std::vector<std::pair<std::int16_t, std::int16_t>> received;
    calculator->onMessage = [&](const MessagePtr& m) {
        received.emplace_back(m->GetMethodTable(), m->GetTag());
    };
    proxy->Add(5);
    home->RunPending();
    EXPECT_EQ(received, (std::vector<std::pair<std::int16_t, std::int16_t>>{{1, 0}}));

    // A handle written from a proxy names the proxy's target.
    MessageWriter again = stranger->StartNewMessage(0);
    dom::Helper(*stranger).PushHandleValue(remote, 1, again);
    MessageReader onceMore(again.FinaliseMessage());
    du::SmartPtr<ManagedObject> unwrapped;
    ASSERT_TRUE(dom::Helper(*neighbour).GetHandleValue(unwrapped, "test::Adder", onceMore));
    EXPECT_EQ(unwrapped.Get(), calculator.Get());
}

TEST(Handle, AProxyThatCannotBeMadeFailsTheReadAndMessagesKeepHandlesAlive) {
    Registered factory(new CalculatorFactory(kCalculatorTable));
    auto home = GenericMessageQueue::CreateManual();
    auto away = GenericMessageQueue::CreateManual();
    int destroyed = 0;
    du::SmartPtr<CalculatorImpl> calculator(new CalculatorImpl("calc", nullptr, &destroyed));
    du::SmartPtr<Actor> stranger(new Actor("stranger"));
    calculator->ManageSelf(home, du::Symbol(), 0);
    stranger->ManageSelf(away, du::Symbol(), 0);

    MessagePtr message;
    {
        MessageWriter writer = stranger->StartNewMessage(0);
        dom::Helper(*stranger).PushHandleValue(calculator, 0, writer);
        message = writer.FinaliseMessage();
    }
    home->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    calculator = nullptr;
    EXPECT_EQ(destroyed, 0);  // the handle holds it

    {
        du::CommonAllocatorImpl::FailNextAllocations(1);
        MessageReader reader(std::move(message));
        du::SmartPtr<ManagedObject> object;
        EXPECT_FALSE(dom::Helper(*stranger).GetHandleValue(object, "test::Calculator", reader));
        EXPECT_TRUE(object.IsNull());
        EXPECT_TRUE(
            dom::Helper(*stranger).GetHandleValue(object, "test::Calculator", reader));  // position kept
        EXPECT_TRUE(object);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(DistinguishedObject, FoundByNameUntilItsQueueShutsDown) {
    auto queue = GenericMessageQueue::CreateManual();
    du::SmartPtr<CalculatorImpl> module(new CalculatorImpl("module"));
    du::SmartPtr<Actor> rival(new Actor("rival"));
    const du::Symbol name("Calculator For Process 1");
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Calculator", name, 0).IsNull());
    ASSERT_TRUE(module->ManageSelf(queue, name, 0));
    EXPECT_FALSE(rival->ManageSelf(queue, name, 0));  // the name is taken
    EXPECT_FALSE(rival->IsManaged());

    EXPECT_EQ(dom::GetDistinguishedObject("test::Adder", name, 0).Get(), module.Get());  // owner thread
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Unknown", name, 0).IsNull());

    du::SmartPtr<ManagedObject> fromAnotherThread;
    {
        Registered factory(new CalculatorFactory(kCalculatorTable));
        std::thread([&] { fromAnotherThread = dom::GetDistinguishedObject("test::Adder", name, 0); }).join();
    }
    auto proxy = du::DynamicPtrCast<CalculatorProxy>(fromAnotherThread);
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetProxyInterfaceIndex(), 1);

    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    EXPECT_TRUE(dom::GetDistinguishedObject("test::Calculator", name, 0).IsNull());
}

TEST(Tracer, PiecesMakeOneLineEndingWithANewlinePieceAndFormatWritesWholeLines) {
    testsupport::TraceCapture trace;
    dp::RZTracer tracer("<generated code>", "WorkflowManager");
    tracer.GetFormatter(3) << "Unexpected tag offset " << std::int16_t{25}
                           << "for interface \"workflow::WorkflowManagerLocalImpl\".\n";
    tracer.GetFormatter(0) << "Got a ActorShutdownException:-\n\t" << std::string("gone") << "\n";
    tracer.Format("Actor %s shutting down queue 0x%08x\n", "Workflow Manager", 0x1234u);
    tracer.GetFormatter(3).Format("%d items", 3);

    std::vector<dp::TraceRecord> lines = trace.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].text,
              "Unexpected tag offset 25for interface \"workflow::WorkflowManagerLocalImpl\".\n");
    EXPECT_EQ(lines[0].type, 3);
    EXPECT_EQ(lines[0].category, "<generated code>");
    EXPECT_EQ(lines[0].name, "WorkflowManager");
    EXPECT_EQ(lines[1].text, "Got a ActorShutdownException:-\n\tgone\n");
    EXPECT_EQ(lines[1].type, 0);
    EXPECT_EQ(lines[2].text, "Actor Workflow Manager shutting down queue 0x00001234\n");
    EXPECT_EQ(lines[3].text, "3 items");
    EXPECT_EQ(&tracer.GetFormatter(3), &tracer.GetFormatter(3));
}

TEST(Tracer, SetTraceSinkAnswersThePreviousSink) {
    int first = 0, second = 0;
    dp::TraceSink original = dp::SetTraceSink([&](const dp::TraceRecord&) { ++first; });
    dp::TraceSink previous = dp::SetTraceSink([&](const dp::TraceRecord&) { ++second; });
    dp::RZTracer("workflow", "t").Format("x\n");
    previous(dp::TraceRecord{});
    dp::SetTraceSink(original);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
}

TEST(CommonAllocator, NoMemoryGivesNullAndNewThrows) {
    du::CommonAllocatorImpl::FailNextAllocations(2);
    EXPECT_EQ(du::CommonAllocatorImpl::Allocate(16), nullptr);
    EXPECT_THROW(new CalculatorFactory({}), std::bad_alloc);
    void* memory = du::CommonAllocatorImpl::Allocate(16);
    EXPECT_NE(memory, nullptr);
    du::CommonAllocatorImpl::Free(memory);
}

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

}  // namespace
