#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dom/ActorExceptions.h"
#include "dom/DistinguishedObjects.h"
#include "dom/ManagedObject.h"
#include "dom/MessageQueue.h"
#include "dom/ProxyObject.h"
#include "module/ActiveModuleThread.h"
#include "rzk/ActiveModule.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowModule.h"
#include "support/RemoteScript.h"
#include "support/TraceCapture.h"

namespace {

using InitFunction = bool (*)();
using CreateComponentFunction = bool (*)(const std::string&, const std::string&, const std::string&,
                                         du::SmartPtr<rzk::ActiveModule>&);
using TerminateFunction = void (*)();

// The plug-in as a host sees it: a library and its three entry points, found by name.
struct PlugIn {
    PlugIn() : library(dlopen(WORKFLOW_PLUGIN_PATH, RTLD_NOW)) {
        EXPECT_NE(library, nullptr) << dlerror();
        init = reinterpret_cast<InitFunction>(dlsym(library, "RZDllInit"));
        createComponent = reinterpret_cast<CreateComponentFunction>(dlsym(library, "RZDllCreateComponent"));
        terminate = reinterpret_cast<TerminateFunction>(dlsym(library, "RZDllTerminate"));
    }
    ~PlugIn() { dlclose(library); }
    PlugIn(const PlugIn&) = delete;
    PlugIn& operator=(const PlugIn&) = delete;

    void* library;
    InitFunction init = nullptr;
    CreateComponentFunction createComponent = nullptr;
    TerminateFunction terminate = nullptr;
};

TEST(PlugIn, AcceptsOnlyTheNavigatorOfTheSupportedViewsAndRunsEveryManagerCallFromHostThreads) {
    PlugIn plugIn;
    ASSERT_TRUE(plugIn.init && plugIn.createComponent && plugIn.terminate);
    du::SmartPtr<rzk::ActiveModule> early;
    EXPECT_FALSE(plugIn.createComponent("shapeview", "navigator", "workflow", early));  // not started yet
    plugIn.terminate();  // before the start: nothing to do
    testing_support::TraceCapture trace;
    // The module's clock stands still, so that no timer message slips between the calls however slow the run.
    std::optional<dom::ManualClockForNewQueues> manual(std::in_place);
    const bool started = plugIn.init();
    manual.reset();
    ASSERT_TRUE(started);

    const du::SmartPtr<rzk::ActiveModule> untouched(new rzk::ActiveModule("untouched"));
    du::SmartPtr<rzk::ActiveModule> record = untouched;
    for (const auto& [viewType, component, library] :
         std::vector<std::array<std::string, 3>>{{"Illustration2dview", "navigator", "workflow"},
                                                 {"illustration2dview", "navigator ", "workflow"},
                                                 {"illustration2dview", "navigator", "Workflow"},
                                                 {"textview", "navigator", "workflow"}}) {
        EXPECT_FALSE(plugIn.createComponent(viewType, component, library, record)) << viewType << component;
        EXPECT_EQ(record.Get(), untouched.Get());
    }
    const std::string actorName = "Workflow Manager For Process " + std::to_string(getpid());
    for (const std::string& viewType :
         {rzk::ShapeView::ACTOR_TYPE.ToString(), rzk::ImageView::ACTOR_TYPE.ToString(),
          rzk::DrawingView::ACTOR_TYPE.ToString(), std::string("schematicfigureview"),
          std::string("ecadschematicview"), std::string("ecadpcbview"), std::string("illustrationview"),
          std::string("illustration2dview")}) {
        du::SmartPtr<rzk::ActiveModule> accepted = untouched;
        ASSERT_TRUE(plugIn.createComponent(viewType, "navigator", "workflow", accepted)) << viewType;
        ASSERT_NE(accepted.Get(), untouched.Get());
        EXPECT_EQ(accepted->GetActorName(), du::Symbol(actorName));
    }

    // The host finds the module under the record's name; on this thread it is a proxy for the host interface.
    ASSERT_TRUE(plugIn.createComponent("shapeview", "navigator", "workflow", record));
    const auto module = du::DynamicPtrCast<rzk::WorkflowModule>(
        dom::GetDistinguishedObject(rzk::WorkflowModule::GetClassName(), record->GetActorName(), 10000));
    ASSERT_TRUE(module);
    EXPECT_EQ(du::DynamicPtrCast<dom::ProxyObject>(module)->GetProxyInterfaceIndex(), 1);

    testing_support::RemoteWorld world;
    std::vector<std::string> effects;
    bool refusedCallCameBack = false;
    std::thread host([&] {
        const du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(world.view);
        ASSERT_TRUE(manager);
        // A blocking call returns once every call this thread made before it has run.
        effects =
            testing_support::DriveEveryOperation(*manager, world, [&] { manager->IsWorkflowTraceEnabled(); });

        // A call that the manager refuses releases its waiting sender.
        auto proxy = du::DynamicPtrCast<dom::ProxyObject>(manager);
        dom::MessageWriter writer = proxy->StartNewMessage(25);
        writer.MarkNeedsReplyFlag();
        dom::MessagePtr message = writer.FinaliseMessage();
        refusedCallCameBack =
            !proxy->DeliverMessage(message) && message->GetReturnReason() == dom::ReturnReason::BadTag;
    });
    host.join();
    EXPECT_EQ(effects, testing_support::ExpectedEffectsOfEveryOperation());
    EXPECT_TRUE(refusedCallCameBack);

    plugIn.terminate();
    plugIn.terminate();
    EXPECT_FALSE(plugIn.createComponent("shapeview", "navigator", "workflow", record));
    const auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text,
              "Unexpected tag offset 25for interface \"workflow::WorkflowManagerLocalImpl\".\n");
    EXPECT_EQ(lines[1].category, "workflow");
    EXPECT_EQ(lines[1].name, "WorflowmoduleThread");
    EXPECT_EQ(lines[1].type, 0);
    const std::string shutdown = "Actor " + actorName + " shutting down queue 0x";
    EXPECT_EQ(lines[1].text.substr(0, shutdown.size()), shutdown);
    EXPECT_EQ(lines[1].text.size(), shutdown.size() + 9);  // eight hex digits and the newline
}

// A host must not terminate while another of its threads asks for a component, but when one does, the plug-in
// must not touch freed memory: the call in flight finishes first and every later call is refused. (The race
// read the freed module thread; AddressSanitizer reported it in nearly every run.) A terminate right after
// the start, before the module thread reached its loop, traces the shutdown line and nothing else.
TEST(PlugIn, TerminateWaitsForComponentCallsInFlightAndAQuickTerminateTracesOnlyTheShutdown) {
    PlugIn plugIn;
    for (int round = 0; round < 20; ++round) {
        testing_support::TraceCapture trace;
        ASSERT_TRUE(plugIn.init());
        std::atomic<bool> accepted{false};
        std::thread asker([&] {
            du::SmartPtr<rzk::ActiveModule> record;
            while (plugIn.createComponent("shapeview", "navigator", "workflow", record)) {
                accepted = true;
            }
        });
        if (round % 2 == 1) {
            while (!accepted) {
                std::this_thread::yield();
            }
        }
        plugIn.terminate();
        asker.join();
        du::SmartPtr<rzk::ActiveModule> late;
        EXPECT_FALSE(plugIn.createComponent("shapeview", "navigator", "workflow", late));
        const auto lines = trace.Lines();
        ASSERT_EQ(lines.size(), 1u) << lines[0].text;
        EXPECT_EQ(lines[0].text.substr(0, 6), "Actor ");
        EXPECT_NE(lines[0].text.find(" shutting down queue 0x"), std::string::npos);
    }
}

TEST(PlugIn, ServesTheExampleWorkflowsOfAPlugInBesideItAndEscapeDismissesTheMeasuringTool) {
    PlugIn plugIn;
    testing_support::RemoteWorld world;
    std::string error;
    ASSERT_TRUE(world.loader->LoadPlugins(EXAMPLES_PLUGIN_PATH, &error)) << error;
    ASSERT_TRUE(plugIn.init());
    du::SmartPtr<rzk::ActiveModule> record;
    ASSERT_TRUE(plugIn.createComponent("shapeview", "navigator", "workflow", record));
    const auto module = du::DynamicPtrCast<rzk::WorkflowModule>(
        dom::GetDistinguishedObject(rzk::WorkflowModule::GetClassName(), record->GetActorName(), 10000));
    ASSERT_TRUE(module);

    std::vector<std::string> found;
    std::thread host([&] {
        const du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(world.view);
        for (const char* name : {"orbit", "pan", "zoom", "select", "measure"}) {
            manager->AddWorkflow(name, false);
        }
        for (unsigned int priority : {100u, 110u, 120u, 130u, 2000u}) {
            found.push_back(manager->FindWorkflow(priority).ToString());
        }
        // Queued behind the key on the module thread, the look-up sees what the Escape did.
        world.window->PostKeyPress("\x1b");
        found.push_back(manager->FindWorkflow(2000).ToString());
        manager->Destroy();
    });
    host.join();
    plugIn.terminate();
    EXPECT_EQ(found, (std::vector<std::string>{"orbit", "pan", "zoom", "select", "measure", ""}));
}

// A module whose start-up or message handling fails in a chosen way.
class FailingModule : public dom::ManagedObject {
public:
    const du::Symbol& GetActorName() const {
        static const du::Symbol name("Failing Module");
        return name;
    }
    void HandleMessage(const dom::MessagePtr& message) override {
        switch (message->GetTag()) {
            case 0:
                throw dom::ActorShutdownException("closed");
            case 1:
                throw dom::ConnectionLostException("lost");
            case 2:
                throw dom::MessageProtocolException("twice");
            case 3:
                throw dom::InvalidActorException("gone");
            case 4:
                throw std::length_error("long");
            default:
                throw 42;
        }
    }
};

// A queue that cannot be made; the failure is chosen by the test.
class FailingQueue : public dom::GenericMessageQueue {
public:
    FailingQueue() {
        switch (failure) {
            case 0:
                throw dom::ActorShutdownException("closed");
            case 1:
                throw std::length_error("long");
            default:
                throw 42;
        }
    }
    static inline int failure = 0;
};

std::vector<std::string> Texts(const std::vector<dp::TraceRecord>& lines) {
    std::vector<std::string> texts;
    for (const dp::TraceRecord& line : lines) {
        EXPECT_EQ(line.category, "workflow");
        EXPECT_EQ(line.name, "FailingThread");
        texts.push_back(std::to_string(line.type) + " " + line.text);
    }
    return texts;
}

TEST(ModuleThread, EveryFailureOnTheThreadBecomesOneTraceLineBeforeTheShutdownLine) {
    const std::vector<std::string> loopFailures = {
        "0 Got a ActorShutdownException:-\n\tclosed\n",
        "3 Actor Failing Module got a ConnectionLostException:-\n\tlost\n",
        "3 Actor Failing Module got a MessageProtocolException:-\n\ttwice\n",
        "3 Actor Failing Module got a InvalidActorException:-\n\tgone\n",
        "3 Actor Failing Module got a standard exception:- long\n",
        "3 Actor Failing Module got an unexpected exception.\n"};
    for (std::size_t kind = 0; kind < loopFailures.size(); ++kind) {
        testing_support::TraceCapture trace;
        auto* thread =
            new rzk::ActiveModuleThread<FailingModule, dom::GenericMessageQueue>("workflow", "FailingThread");
        EXPECT_EQ(thread->GetName(), "FailingThread");
        EXPECT_EQ(thread->GetStackSize(), 0x80000u);
        ASSERT_TRUE(thread->Start(true));
        ASSERT_TRUE(thread->IsReady());
        dom::ManagedObject& module = thread->GetModule();
        dom::MessageWriter writer = module.StartNewMessage(static_cast<std::int16_t>(kind));
        writer.MarkNeedsReplyFlag();
        module.DeliverMessage(writer.FinaliseMessage());  // returns once the handler has thrown
        delete thread;
        const auto texts = Texts(trace.Lines());
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], loopFailures[kind]);
        EXPECT_EQ(texts[1].substr(0, 45), "0 Actor Failing Module shutting down queue 0x");
    }

    const std::vector<std::string> startFailures = {
        "0 Got a ActorShutdownException:-\n\tclosed\n",
        "3 Actor Failing Module got a standard exception:- long\n",
        "3 Actor Failing Module got an unexpected exception.\n"};
    for (std::size_t kind = 0; kind < startFailures.size(); ++kind) {
        testing_support::TraceCapture trace;
        FailingQueue::failure = static_cast<int>(kind);
        auto* thread = new rzk::ActiveModuleThread<FailingModule, FailingQueue>("workflow", "FailingThread");
        ASSERT_TRUE(thread->Start(true));
        EXPECT_FALSE(thread->IsReady());
        delete thread;  // the body ran no loop and ended at once
        EXPECT_EQ(Texts(trace.Lines()),
                  (std::vector<std::string>{startFailures[kind],
                                            "0 Actor Failing Module shutting down queue 0x00000000\n"}));
    }
}

}  // namespace
