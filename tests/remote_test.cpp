#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dom/Helper.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyFactory.h"
#include "dom/ProxyObject.h"
#include "du/CommonAllocated.h"
#include "manager/WorkflowManagerImpl.h"
#include "module/WorkflowModuleImpl.h"
#include "remote/ProxyFactories.h"
#include "remote/RemoteValues.h"
#include "remote/WorkflowManagerProxy.h"
#include "remote/WorkflowModuleProxy.h"
#include "support/RemoteScript.h"
#include "support/TraceCapture.h"

namespace {

using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;
using dom::ReturnReason;
using testing_support::DrainEffects;
using testing_support::RemoteWorld;

// The object that a handle to object resolves to when it is read on another queue: a proxy from the
// factory registered for the object's class (or for className), bound to object.
template <class T>
du::SmartPtr<T> ResolvedElsewhere(const du::SmartPtr<dom::ManagedObject>& object, std::int16_t interfaceIndex,
                                  const du::Symbol& className) {
    const du::SmartPtr<dom::ManagedObject> elsewhere(new dom::ManagedObject);
    MessageWriter writer = elsewhere->StartNewMessage(0);
    dom::Helper(*elsewhere).PushHandleValue(object, interfaceIndex, writer);
    MessageReader reader(writer.FinaliseMessage());
    du::SmartPtr<dom::ManagedObject> resolved;
    EXPECT_TRUE(dom::Helper(*elsewhere).GetHandleValue(resolved, className, reader));
    return du::DynamicPtrCast<T>(resolved);
}

// A module on a queue pumped by this thread, and a manager it made for the world's view.
class RemoteManager : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));
        manager = du::DynamicPtrCast<workflow::WorkflowManagerImpl>(module->CreateManager(world.view));
        ASSERT_TRUE(manager);
    }

    du::SmartPtr<workflow_WorkflowManager_proxy> Proxy(std::int16_t interfaceIndex) {
        return ResolvedElsewhere<workflow_WorkflowManager_proxy>(manager, interfaceIndex,
                                                                 "rzk::WorkflowManager");
    }

    // What a host can see of the manager.
    std::string State() {
        std::string state;
        for (unsigned int priority : {10u, 20u, 30u}) {
            state += manager->FindWorkflow(priority).ToString() + ",";
        }
        return state + manager->GetCurrentCursor().ToString() + "," +
               (manager->IsWorkflowTraceEnabled() ? "on" : "off") + " / " + DrainEffects(world);
    }

    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<workflow::WorkflowModuleThread> module{new workflow::WorkflowModuleThread};
    RemoteWorld world;
    du::SmartPtr<workflow::WorkflowManagerImpl> manager;
};

TEST_F(RemoteManager, BothMethodTablesCarryEveryOperationToTheSameEffects) {
    const auto proxy = Proxy(0);
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetProxyInterfaceIndex(), 0);
    const auto effects = DriveEveryOperation(*proxy, world, [this] { queue->RunPending(); });
    EXPECT_EQ(effects, testing_support::ExpectedEffectsOfEveryOperation());

    RemoteWorld other;
    const auto second = du::DynamicPtrCast<workflow::WorkflowManagerImpl>(module->CreateManager(other.view));
    ASSERT_NE(second.Get(), manager.Get());  // a new manager for every call
    const auto hostProxy =
        ResolvedElsewhere<workflow_WorkflowManager_proxy>(second, 1, "rzk::WorkflowManager");
    EXPECT_EQ(hostProxy->GetProxyInterfaceIndex(), 1);
    EXPECT_EQ(DriveEveryOperation(*hostProxy, other, [this] { queue->RunPending(); }), effects);
}

TEST_F(RemoteManager, ProxyAndImplementationDescribeTheSameInterface) {
    const auto proxy = Proxy(1);
    for (const dom::ManagedObject* object :
         {static_cast<dom::ManagedObject*>(manager.Get()), static_cast<dom::ManagedObject*>(proxy.Get())}) {
        EXPECT_EQ(object->BaseClassOffsetByName("workflow::WorkflowManager"), 0);
        EXPECT_EQ(object->BaseClassOffsetByName("rzk::WorkflowManager"), 1);
        EXPECT_EQ(object->BaseClassOffsetByName("rzk::WorkflowModule"), -1);
        EXPECT_EQ(object->GetBaseClassCount(), 2);
        EXPECT_EQ(object->GetBaseClassParent(0), -1);
        EXPECT_EQ(object->GetBaseClassParent(1), 0);
        EXPECT_EQ(object->GetBaseClassParent(2), -1);
        EXPECT_EQ(object->GetBaseClass(0), du::Symbol("workflow::WorkflowManager"));
        EXPECT_EQ(object->GetBaseClass(1), du::Symbol("rzk::WorkflowManager"));
        EXPECT_EQ(object->GetBaseClass(2), du::Symbol::EMPTY);
        EXPECT_EQ(object->GetObjectClass(), du::Symbol("workflow::WorkflowManager"));
    }
    for (workflow::WorkflowManager* object : {static_cast<workflow::WorkflowManager*>(manager.Get()),
                                              static_cast<workflow::WorkflowManager*>(proxy.Get())}) {
        EXPECT_EQ(object->GetInterfaceIndex(0), 0);
        EXPECT_EQ(static_cast<rzk::WorkflowManager*>(object)->GetInterfaceIndex(0), 1);
    }
    try {
        proxy->HandleMessage(proxy->StartNewMessage(0).FinaliseMessage());
        ADD_FAILURE();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(
            error.what(),
            "Protocol Error:workflow_WorkflowManager_proxy::HandleMessage(const dom::MessagePtr&) called.");
    }
}

// The values of each tag's request, by kind: S string, u unsigned, l signed, b boolean, R object, H handle.
constexpr std::array<const char*, 25> kRequestValues = {"H",  "H",    "H", "H", "Sb", "Sub", "ub", "u", "S",
                                                        "u",  "SSlR", "S", "",  "l",  "",    "uS", "",  "ll",
                                                        "SS", "SS",   "b", "",  "R",  "S",   ""};

TEST_F(RemoteManager, MalformedMessagesAreTracedAndReturnedAndChangeNothing) {
    manager->AddWorkflow("probe-a", false);
    manager->RegisterObserver(world.managerObserver);
    manager->RegisterNotificationObserver(world.notificationObserver);
    DrainEffects(world);
    const std::string before = State();
    const int answerReferences = world.queryAnswer->GetReferenceCount();
    const std::string refusedLine = "for interface \"workflow::WorkflowManagerLocalImpl\".\n";

    auto push = [&](char kind, bool wrong, MessageWriter& writer) {
        if (wrong) {
            kind == 'S' ? writer.PushInt32Value(1) : writer.PushStringValue("probe-b");
            return;
        }
        switch (kind) {
            case 'S':
                writer.PushStringValue("probe-b");
                break;
            case 'u':
                writer.PushUInt32Value(30);
                break;
            case 'l':
                writer.PushInt32Value(3);
                break;
            case 'b':
                writer.PushBooleanValue(true);
                break;
            case 'R':
                world.queryAnswer->AddReference(writer.GetMessage().Get());
                writer.PushSmartPtr(world.queryAnswer.Get(), world.queryAnswer.Get());
                break;
            default:
                dom::Helper(*manager).PushHandleValue(world.managerObserver, 1, writer);
        }
    };
    struct Case {
        std::int16_t table, tag;
        std::string values;  // kinds to push; an upper-case X marks the one pushed with a wrong kind
        ReturnReason reason;
        std::string line;
    };
    std::vector<Case> cases = {
        {2, 5, "Sub", ReturnReason::BadTable, "Unexpected method table 2" + refusedLine},
        {-1, 5, "Sub", ReturnReason::BadTable, "Unexpected method table -1" + refusedLine},
        {1, 25, "", ReturnReason::BadTag, "Unexpected tag offset 25" + refusedLine},
        {0, -1, "", ReturnReason::BadTag, "Unexpected tag offset -1" + refusedLine},
    };
    for (std::int16_t tag = 0; tag < 25; ++tag) {
        const std::string row = kRequestValues[static_cast<std::size_t>(tag)];
        const std::string line = "Unexpected tag offset " + std::to_string(tag) + refusedLine;
        if (!row.empty()) {
            cases.push_back(
                {1, tag, row.substr(0, row.size() - 1), ReturnReason::BadTag, line});  // one short
        }
        for (std::size_t wrong = 0; wrong < row.size(); ++wrong) {
            std::string values = row;
            values.insert(wrong, "X");
            cases.push_back({static_cast<std::int16_t>(tag % 2), tag, values, ReturnReason::BadTag, line});
        }
    }
    for (const Case& c : cases) {
        SCOPED_TRACE("table " + std::to_string(c.table) + " tag " + std::to_string(c.tag) + " " + c.values);
        testing_support::TraceCapture trace;
        MessageWriter writer = manager->StartNewMessage(c.tag, c.table);
        for (std::size_t i = 0; i < c.values.size(); ++i) {
            const bool wrong = c.values[i] == 'X';
            push(wrong ? c.values[++i] : c.values[i], wrong, writer);
        }
        writer.MarkNeedsReplyFlag();
        const MessagePtr message = writer.FinaliseMessage();
        EXPECT_FALSE(manager->DeliverMessage(message));  // the waiting sender is released with nothing
        EXPECT_EQ(message->GetReturnReason(), c.reason);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{"<generated code>/WorkflowManager 3 " + c.line});
        EXPECT_EQ(State(), before);
    }
    // Travelling references of values never read went with their messages.
    EXPECT_EQ(world.queryAnswer->GetReferenceCount(), answerReferences);
}

TEST_F(RemoteManager, OneWayCallsIgnoreExtraValuesAndLoseTheNeedsReplyFlag) {
    MessageWriter writer = manager->StartNewMessage(5, 0);
    writer.PushStringValue("probe-b");
    writer.PushUInt32Value(30);
    writer.PushBooleanValue(false);
    writer.PushStringValue("extra");
    writer.PushInt32Value(99);
    writer.MarkNeedsReplyFlag();
    const MessagePtr message = writer.FinaliseMessage();
    EXPECT_FALSE(manager->DeliverMessage(message));  // handled, and there is no reply to read
    EXPECT_FALSE(message->NeedsReply());
    EXPECT_EQ(message->GetReturnReason(), ReturnReason::Unhandled);
    EXPECT_EQ(manager->FindWorkflow(30), du::Symbol("probe-b"));
}

// Stands in for a manager or module: records each message it gets and answers with the scripted reply.
class FakeTarget : public dom::ManagedObject {
public:
    void HandleMessage(const MessagePtr& message) override {
        std::string line = std::to_string(message->GetMethodTable()) + "/" +
                           std::to_string(message->GetTag()) +
                           (message->NeedsReply() ? " reply" : " one-way");
        MessageReader reader(message);
        while (reader.HasMoreValues()) {
            du::Symbol text;
            std::int32_t number = 0;
            std::uint32_t unsignedNumber = 0;
            bool flag = false;
            du::SmartPtr<du::RefCounted> object;
            du::SmartPtr<dom::ManagedObject> handle;
            if (reader.GetStringValue(text)) {
                line += " S:" + text.ToString();
            } else if (reader.GetInt32Value(number)) {
                line += " l:" + std::to_string(number);
            } else if (reader.GetUInt32Value(unsignedNumber)) {
                line += " u:" + std::to_string(unsignedNumber);
            } else if (reader.GetBooleanValue(flag)) {
                line += flag ? " b:true" : " b:false";
            } else if (workflow::remote::TakeObject(reader, object)) {
                line += object ? " R:object" : " R:null";
            } else if (dom::Helper(*this).GetHandleValue(handle, du::Symbol::EMPTY, reader)) {
                line += handle ? " H:object" : " H:null";
            }
        }
        received.push_back(line);
        if (reply) {
            reply(message);
        } else if (message->NeedsReply()) {
            dom::PrepMessageForReturnBadTag(message);
        }
    }

    std::vector<std::string> received;
    std::function<void(const MessagePtr&)> reply;
};

TEST(RemoteProxy, WritesValuesInOrderAndReadsRepliesUntilOneIsMissing) {
    const auto queue = dom::GenericMessageQueue::CreateManual();
    const du::SmartPtr<FakeTarget> target(new FakeTarget);
    ASSERT_TRUE(target->ManageSelf(queue, du::Symbol(), 0));
    const auto proxy =
        ResolvedElsewhere<workflow_WorkflowManager_proxy>(target, 1, "workflow::WorkflowManager");
    ASSERT_TRUE(proxy);
    const du::SmartPtr<du::RefCounted> object(new testing_support::PluginObserver);

    proxy->AddWorkflowAtPriority("navigator", 5, true);
    proxy->RegisterObserver(nullptr);
    proxy->SendModeMessage("w", "m", -2, nullptr);
    proxy->ManagePluginObserver(object);
    queue->RunPending();
    EXPECT_EQ(target->received,
              (std::vector<std::string>{"1/5 one-way S:navigator u:5 b:true", "1/2 one-way H:null",
                                        "1/10 one-way S:w S:m l:-2 R:null", "1/22 one-way R:object"}));
    EXPECT_EQ(object->GetReferenceCount(), 1);

    // Out-values read before the missing result keep what was read.
    target->reply = [&](const MessagePtr& message) {
        MessageWriter reply;
        reply.StartMessageReply(message);
        reply.PushStringValue(message->GetTag() == 11 ? "partial" : "");
        reply.PushInt32Value(4);
        object->AddReference(reply.GetMessage().Get());
        reply.PushSmartPtr(object.Get(), object.Get());
        reply.FinaliseMessage();
    };
    du::Symbol symbol;
    int number = 0;
    du::SmartPtr<du::RefCounted> out;
    try {
        proxy->QueryWorkflows("q", symbol, number, out);
        ADD_FAILURE();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "ProtocolError extracting return value");
    }
    EXPECT_EQ(symbol, du::Symbol("partial"));
    EXPECT_EQ(number, 4);
    EXPECT_EQ(out.Get(), object.Get());
    out = nullptr;
    EXPECT_EQ(proxy->FindWorkflow(7), du::Symbol(""));  // an empty reply string comes back as it is
    EXPECT_EQ(proxy->GetCurrentCursor(), du::Symbol(""));
    EXPECT_EQ(object->GetReferenceCount(), 1);

    target->reply = nullptr;  // every call comes back unanswered
    EXPECT_THROW(proxy->FindWorkflow(7), std::runtime_error);
    EXPECT_THROW(proxy->IsWorkflowTraceEnabled(), std::runtime_error);
    EXPECT_THROW(proxy->GetInternalInterface("x"), std::runtime_error);
    EXPECT_THROW(proxy->GetCurrentCursor(), std::runtime_error);

    // The module proxy: the view travels as a pointer, and a reply without a handle is a protocol error.
    const auto module =
        ResolvedElsewhere<workflow_WorkflowModule_proxy>(target, 1, "workflow::WorkflowModule");
    ASSERT_TRUE(module);
    target->received.clear();
    EXPECT_THROW(module->CreateManager(nullptr), std::runtime_error);
    EXPECT_EQ(target->received, (std::vector<std::string>{"1/0 reply R:null"}));
    try {
        module->HandleMessage(module->StartNewMessage(0).FinaliseMessage());
        ADD_FAILURE();
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(
            error.what(),
            "Protocol Error:workflow_WorkflowModule_proxy::HandleMessage(const dom::MessagePtr&) called.");
    }
}

// A module whose CreateManager makes nothing and notes the view it got.
class EmptyModule : public workflow::WorkflowModuleImpl {
public:
    du::SmartPtr<rzk::WorkflowManager> CreateManager(const du::SmartPtr<rzk::View>& view) override {
        views.push_back(view);
        return nullptr;
    }
    std::vector<du::SmartPtr<rzk::View>> views;
};

TEST(RemoteModule, CreatesManagersThroughItsProxyAndRefusesOtherMessages) {
    const auto queue = dom::GenericMessageQueue::CreateManual();
    const du::SmartPtr<workflow::WorkflowModuleThread> module(new workflow::WorkflowModuleThread);
    ASSERT_TRUE(module->ManageSelf(queue, du::Symbol(), 0));
    const auto proxy = ResolvedElsewhere<workflow_WorkflowModule_proxy>(module, 1, "rzk::WorkflowModule");
    ASSERT_TRUE(proxy);
    EXPECT_EQ(proxy->GetBaseClass(1), du::Symbol("rzk::WorkflowModule"));
    EXPECT_EQ(proxy->BaseClassOffsetByName("workflow::WorkflowModule"), 0);
    EXPECT_EQ(static_cast<workflow::WorkflowModule&>(*module).GetInterfaceIndex(0), 0);
    EXPECT_EQ(static_cast<rzk::WorkflowModule&>(*module).GetInterfaceIndex(0), 1);

    // The reply's handle, read by a proxy that is on no queue, resolves to a manager proxy for table 1.
    const du::SmartPtr<rzk::View> view(new rzk::ShapeView);
    const auto manager = du::DynamicPtrCast<workflow_WorkflowManager_proxy>(proxy->CreateManager(view));
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager->GetProxyInterfaceIndex(), 1);
    const auto made = du::DynamicPtrCast<workflow::WorkflowManagerImpl>(manager->GetTarget());
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->IsManaged());
    // The test, the manager and its 3D-view observer hold the view; the travelling reference is gone.
    EXPECT_EQ(view->GetReferenceCount(), 3);

    const du::SmartPtr<EmptyModule> empty(new EmptyModule);
    ASSERT_TRUE(empty->ManageSelf(queue, du::Symbol(), 0));
    const auto emptyProxy = ResolvedElsewhere<workflow_WorkflowModule_proxy>(empty, 0, "rzk::WorkflowModule");
    EXPECT_FALSE(emptyProxy->CreateManager(nullptr));  // an empty handle comes back
    ASSERT_EQ(empty->views.size(), 1u);
    EXPECT_FALSE(empty->views[0]);

    const std::string refusedLine = "for interface \"workflow::WorkflowModuleLocalImpl\".\n";
    struct Case {
        std::int16_t table, tag;
        bool withView;
        ReturnReason reason;
        std::string line;
    };
    for (const Case& c : {Case{3, 0, true, ReturnReason::BadTable, "Unexpected method table 3" + refusedLine},
                          Case{0, 1, true, ReturnReason::BadTag, "Unexpected tag offset 1" + refusedLine},
                          Case{1, 0, false, ReturnReason::BadTag, "Unexpected tag offset 0" + refusedLine}}) {
        testing_support::TraceCapture trace;
        MessageWriter writer = empty->StartNewMessage(c.tag, c.table);
        if (c.withView) {
            writer.PushSmartPtr(nullptr, nullptr);
        } else {
            writer.PushStringValue("not a view");
        }
        writer.MarkNeedsReplyFlag();
        const MessagePtr message = writer.FinaliseMessage();
        EXPECT_FALSE(empty->DeliverMessage(message));
        EXPECT_EQ(message->GetReturnReason(), c.reason);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{"<generated code>/WorkflowModule 3 " + c.line});
    }
    EXPECT_EQ(empty->views.size(), 1u);
}

TEST(ProxyFactories, DescribeTheMethodTablesAndComeAndGoWithTheLibrary) {
    auto& registry = dom::ProxyFactoryMap::Instance();
    dom::ProxyFactory* manager = registry.FindFactory("workflow::WorkflowManager");
    dom::ProxyFactory* module = registry.FindFactory("workflow::WorkflowModule");
    ASSERT_TRUE(manager && module);
    EXPECT_EQ(manager->GetProxiedClassName(), du::Symbol("workflow::WorkflowManager"));
    EXPECT_EQ(module->GetProxiedClassName(), du::Symbol("workflow::WorkflowModule"));

    const std::vector<std::string> signatures = {
        "AddWorkflowAtPriority__IS__Iul__Ib",
        "AddWorkflow__IS__Ib",
        "DeregisterNotificationObserver__IRrzk::NotificationObserver",
        "DeregisterObserver__IRrzk::WorkflowManagerObserver",
        "Destroy",
        "FindWorkflow__Iul",
        "GetCurrentCursor",
        "GetInternalInterface__IS",
        "HandleTraceString__IS__IS",
        "IsWorkflowTraceEnabled",
        "ManagePluginObserver__IRdu::RefCounted",
        "OutputTraceString__IS__IS",
        "QueryWorkflows__IS__OS__Ol__ORdu::RefCounted",
        "RegisterNotificationObserver__IRrzk::NotificationObserver",
        "RegisterObserver__IRrzk::WorkflowManagerObserver",
        "RemoveWorkflowByName__IS",
        "RemoveWorkflowByPriority__Iul",
        "SendModeMessage__IS__IS__Il__IRdu::RefCounted",
        "SetCurPage__Il",
        "SetCursorPosition__Il__Il",
        "SetMouseCursor__Iul__IS",
        "SetWorkflowPersistent__Iul__Ib",
        "SetWorkflowTraceEnabled__Ib",
        "ToggleComponentRotate",
        "UpdateStatusMsg"};
    const std::vector<int> tags = {5, 4, 1, 3, 24, 9,  16, 23, 19, 21, 22, 18, 11,
                                   0, 2, 8, 7, 10, 13, 17, 15, 6,  20, 12, 14};
    ASSERT_EQ(manager->GetMethodCount(), 25u);
    for (std::uint32_t position = 0; position < 25; ++position) {
        EXPECT_EQ(manager->GetMethodSignature(position), du::Symbol(signatures[position])) << position;
        EXPECT_EQ(manager->GetMethodTag(position), tags[position]) << position;
    }
    for (std::uint32_t outside : {25u, 0xFFFFFFFFu}) {
        EXPECT_EQ(manager->GetMethodSignature(outside), du::Symbol::EMPTY);
        EXPECT_EQ(manager->GetMethodTag(outside), -1);
        EXPECT_EQ(module->GetMethodSignature(outside - 24), du::Symbol::EMPTY);
        EXPECT_EQ(module->GetMethodTag(outside - 24), -1);
    }
    EXPECT_EQ(module->GetMethodCount(), 1u);
    EXPECT_EQ(module->GetMethodSignature(0), du::Symbol("CreateManager__IRrzk::View"));
    EXPECT_EQ(module->GetMethodTag(0), 0);

    // A proxy is made in memory from the common heap; without any there is none.
    du::CommonAllocatorImpl::FailNextAllocations(1);
    EXPECT_EQ(manager->CreateProxy(1, dom::ProxyFactory::LOCAL_HOST), nullptr);
    const du::SmartPtr<dom::ProxyObject> proxy(module->CreateProxy(1, dom::ProxyFactory::LOCAL_HOST));
    ASSERT_TRUE(du::DynamicPtrCast<workflow_WorkflowModule_proxy>(proxy));
    EXPECT_EQ(proxy->Rebind(0), 0);

    workflow::RemoveProxyFactories();
    workflow::RemoveProxyFactories();  // nothing left to remove
    EXPECT_EQ(registry.FindFactory("workflow::WorkflowManager"), nullptr);
    EXPECT_EQ(registry.FindFactory("workflow::WorkflowModule"), nullptr);
    workflow::RegisterProxyFactories();
    ASSERT_TRUE(registry.FindFactory("workflow::WorkflowManager"));
    EXPECT_EQ(registry.FindFactory("workflow::WorkflowManager")->GetMethodSignature(13),
              du::Symbol("RegisterNotificationObserver__IRrzk::NotificationObserver"));
}

}  // namespace
