// Hostile timing against the loaded plug-in: host threads drive managers through proxies at random while
// their windows inject input and the module's timers run, destroy managers under in-flight calls, and
// terminate the library under a waiting call. Choices come from seeded generators, so every run makes the
// same calls; only the interleaving varies, and the checks hold for any interleaving. A watchdog turns a
// deadlock into a failed run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dom/DistinguishedObjects.h"
#include "dom/Observer.h"
#include "manager/MessageInterface.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "messages/TypedMessages.h"
#include "module/EntryPoints.h"
#include "rzk/ActiveModule.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowModule.h"
#include "rzloader/Loader.h"
#include "support/RemoteScript.h"
#include "workflows/Workflow.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int HOST_THREADS = 8;
constexpr int MANAGERS = 4;
constexpr int OPERATIONS = 25;
// Beside the 25 operations: window input, and (the last choice) a manager made and dropped at once for a view
// that has one.
constexpr int INPUT = OPERATIONS;
constexpr int EXTRA_MANAGER = OPERATIONS + 1;
constexpr int CHOICES = OPERATIONS + 2;
constexpr const char* PROTOCOL_ERROR = "ProtocolError extracting return value";

// Aborts the program when a run outlives its bound: a deadlock must end the test run, not hang it. The
// bound is far above any run's length, even under a sanitizer on a loaded machine; it is no speed check.
class Watchdog {
public:
    explicit Watchdog(const char* what, std::chrono::seconds bound = std::chrono::seconds(90))
        : thread_([this, what, bound] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, bound, [this] { return finished_; })) {
                  std::fprintf(stderr, "watchdog: '%s' still running after %lld s: deadlock\n", what,
                               static_cast<long long>(bound.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;  // last: starts once the rest is built
};

// Objects whose every instance must be gone when the library has stopped and the host let go.
std::atomic<int> liveWorkflows{0};
std::atomic<int> liveCargo{0};
// Messages that only a foreign thread ever sends: no workflow may see one.
std::atomic<int> foreignMessagesSeen{0};

const du::Symbol& ForeignMessage() {
    static const du::Symbol name("MsgStressForeign");
    return name;
}

// A counted object that travels as a mode object, a plug-in observer and a query answer.
class Cargo : public dom::Observer {
public:
    Cargo() { ++liveCargo; }
    ~Cargo() override { --liveCargo; }
};

// Where a query blocks the module thread until the test lets it go, so that calls pile up behind it.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;

    void EnterAndWait() {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    void AwaitEntered() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered; });
    }
    void Open() {
        {
            std::lock_guard lock(mutex);
            open = true;
        }
        changed.notify_all();
    }
};

// A workflow that consumes little, claims and releases exclusivity, removes itself on request and answers
// queries with fresh cargo; the one named "gate" holds its query at the gate.
class StressWorkflow : public workflow::Workflow {
public:
    StressWorkflow(const du::Symbol& name, unsigned int priority, Gate* gate)
        : workflow::Workflow(name), gate_(gate) {
        SetPriority(priority);
        ++liveWorkflows;
    }
    ~StressWorkflow() override { --liveWorkflows; }

    bool HandleMsg(const workflow::Msg& message) override {
        const du::Symbol& name = message.GetName();
        if (name == ForeignMessage()) {
            ++foreignMessagesSeen;
            return true;
        }
        if (name == workflow::ConstStrings::MsgSetPage) {
            const int page = static_cast<const workflow::PageMsg&>(message).GetPage();
            if (page % 3 == 0) {
                du::Symbol claimed[] = {workflow::ConstStrings::MsgMouseMove};
                SetExclusive(claimed, 1);
            } else if (page % 3 == 1) {
                UnsetExclusive();
            } else {
                RemoveWorkflow(du::SmartPtr<workflow::Workflow>(this));
            }
            return true;
        }
        if (name == workflow::ConstStrings::MsgMouseMove) {
            SetCursor(GetPriority(), (GetPriority() / 10) % 2 ? "grab" : "pan");
            SetStatusMessage(0, GetWorkflowName().ToString());
        }
        return name == workflow::ConstStrings::MsgMouseWheel;
    }

    bool HandleQuery(du::Symbol query, du::Symbol& symbol, int& number,
                     du::SmartPtr<du::RefCounted>& object) override {
        if (gate_ && query == du::Symbol("Gate")) {
            gate_->EnterAndWait();
        }
        symbol = GetWorkflowName();
        number = static_cast<int>(GetPriority());
        object = new Cargo;
        return true;
    }

private:
    Gate* gate_;
};

// One 3D view with its window per manager, and a loader that makes the stress workflows.
struct StressWorld {
    explicit StressWorld(Gate* gate = nullptr) {
        rzloader::Loader::SetLoader(loader);
        for (int i = 0; i < MANAGERS; ++i) {
            windows.emplace_back(new rzk::Window);
            views.emplace_back(new rzk::ShapeView);
            views.back()->SetWindow(windows.back());
        }
        for (const auto& [name, priority] : {std::pair{"alpha", 10u}, std::pair{"beta", 20u},
                                             std::pair{"gamma", 30u}, std::pair{"gate", 40u}}) {
            // Captured by name: clang 14 cannot capture structured bindings implicitly.
            loader->RegisterFactory(
                rzloader::Loader::ANY_VIEW_TYPE, "workflow", name, [name = name, priority = priority, gate] {
                    return du::SmartPtr<du::RefCounted>(
                        new StressWorkflow(name, priority, name == std::string("gate") ? gate : nullptr));
                });
        }
    }
    ~StressWorld() { rzloader::Loader::SetLoader(nullptr); }
    StressWorld(const StressWorld&) = delete;
    StressWorld& operator=(const StressWorld&) = delete;

    du::SmartPtr<rzloader::Loader> loader{new rzloader::Loader};
    std::vector<du::SmartPtr<rzk::Window>> windows;
    std::vector<du::SmartPtr<rzk::View>> views;
    du::SmartPtr<testing_support::HostManagerObserver> managerObserver{
        new testing_support::HostManagerObserver};
    du::SmartPtr<testing_support::HostNotificationObserver> notificationObserver{
        new testing_support::HostNotificationObserver};
};

// The running library as a host sees it: started, its module found, one manager per view.
struct RunningLibrary {
    explicit RunningLibrary(StressWorld& world) {
        EXPECT_TRUE(RZDllInit());
        du::SmartPtr<rzk::ActiveModule> record;
        EXPECT_TRUE(
            RZDllCreateComponent(rzk::ShapeView::ACTOR_TYPE.ToString(), "navigator", "workflow", record));
        if (!record) {
            return;
        }
        module = du::DynamicPtrCast<rzk::WorkflowModule>(
            dom::GetDistinguishedObject(rzk::WorkflowModule::GetClassName(), record->GetActorName(), 10000));
        EXPECT_TRUE(module);
        if (!module) {
            return;
        }
        // Made from a host thread, as a viewer makes them.
        std::thread([&] {
            for (const auto& view : world.views) {
                managers.push_back(module->CreateManager(view));
            }
        }).join();
        for (const auto& manager : managers) {
            EXPECT_TRUE(manager);
        }
    }
    ~RunningLibrary() { RZDllTerminate(); }
    RunningLibrary(const RunningLibrary&) = delete;
    RunningLibrary& operator=(const RunningLibrary&) = delete;

    bool Ready() const { return module && managers.size() == MANAGERS && managers.back(); }

    du::SmartPtr<rzk::WorkflowModule> module;
    std::vector<du::SmartPtr<rzk::WorkflowManager>> managers;
};

// What the host threads saw: blocking calls answered, refused with the protocol error, or failed otherwise.
struct Tally {
    std::atomic<int> answered{0};
    std::atomic<int> refused{0};
    std::atomic<int> wrongFailures{0};
    std::atomic<int> foreignSendsAccepted{0};
    std::atomic<int> interfacesSeen{0};
};

const char* WorkflowName(std::mt19937& random) {
    static const char* names[] = {"alpha", "beta", "gamma", "missing"};
    return names[random() % 4];
}

unsigned int Priority(std::mt19937& random) {
    static const unsigned int priorities[] = {10, 20, 30, 5, 99, rzk::WorkflowManager::PTR_DEFAULT};
    return priorities[random() % 6];
}

// A blocking call either answers or throws rzk::ModuleThreadEnded; nothing else, and never a hang.
template <class Call>
void Blocking(Tally& tally, Call&& call) {
    try {
        call();
        ++tally.answered;
    } catch (const rzk::ModuleThreadEnded& error) {
        // The typed error keeps the text hosts matched before it existed.
        if (std::string(error.what()) == PROTOCOL_ERROR) {
            ++tally.refused;
        } else {
            ++tally.wrongFailures;
        }
    } catch (...) {
        ++tally.wrongFailures;
    }
}

void PostInput(rzk::Window& window, std::mt19937& random) {
    const int x = static_cast<int>(random() % 200);
    const int y = static_cast<int>(random() % 200);
    switch (random() % 5) {
        case 0:
            window.PostMouseButton(0, random() % 2 == 0, x, y);
            break;
        case 1:
            window.PostMouseMove(x, y);
            break;
        case 2:
            window.PostMouseWheel(120, x, y);
            break;
        case 3:
            window.PostKeyPress(random() % 2 ? "a" : "\x1b");
            break;
        default:
            window.PostModifierKey(static_cast<int>(random() % 3), random() % 2 == 0);
            break;
    }
}

// Makes call number choice (0 to 24 the manager's operations by tag, then window input and an extra
// manager) with values drawn from random.
void Call(int choice, rzk::WorkflowModule& module, rzk::WorkflowManager& manager, std::size_t target,
          StressWorld& world, std::mt19937& random, Tally& tally) {
    const bool flag = random() % 2 == 0;
    const du::SmartPtr<rzk::NotificationObserver> notificationObserver(flag ? world.notificationObserver.Get()
                                                                            : nullptr);
    const du::SmartPtr<rzk::WorkflowManagerObserver> managerObserver(flag ? world.managerObserver.Get()
                                                                          : nullptr);
    switch (choice) {
        case 0:
            return manager.RegisterNotificationObserver(notificationObserver);
        case 1:
            return manager.DeregisterNotificationObserver(notificationObserver);
        case 2:
            return manager.RegisterObserver(managerObserver);
        case 3:
            return manager.DeregisterObserver(managerObserver);
        case 4:
            return manager.AddWorkflow(WorkflowName(random), flag);
        case 5:
            return manager.AddWorkflowAtPriority(WorkflowName(random), Priority(random), flag);
        case 6:
            return manager.SetWorkflowPersistent(Priority(random), flag);
        case 7:
            return manager.RemoveWorkflowByPriority(Priority(random));
        case 8:
            return manager.RemoveWorkflowByName(WorkflowName(random));
        case 9:
            return Blocking(tally, [&] { manager.FindWorkflow(Priority(random)); });
        case 10:
            return manager.SendModeMessage(WorkflowName(random), "mode", static_cast<int>(random() % 7),
                                           flag ? du::SmartPtr<du::RefCounted>(new Cargo) : nullptr);
        case 11:
            return Blocking(tally, [&] {
                du::Symbol symbol;
                int number = 0;
                du::SmartPtr<du::RefCounted> object;
                manager.QueryWorkflows("Who", symbol, number, object);
            });
        case 12:
            return manager.ToggleComponentRotate();
        case 13:
            return manager.SetCurPage(static_cast<int>(random() % 9));
        case 14:
            return manager.UpdateStatusMsg();
        case 15:
            return manager.SetMouseCursor(Priority(random), flag ? "crosshair" : "");
        case 16:
            return Blocking(tally, [&] { manager.GetCurrentCursor(); });
        case 17:
            return manager.SetCursorPosition(static_cast<int>(random() % 100), -1);
        case 18:
            return manager.OutputTraceString("host", "<MsgMouseMove mouseX=\"1\" mouseY=\"2\"/>");
        case 19:
            return manager.HandleTraceString(WorkflowName(random),
                                             "<MsgMouseMove mouseX=\"3\" mouseY=\"4\"/>");
        case 20:
            return manager.SetWorkflowTraceEnabled(flag);
        case 21:
            return Blocking(tally, [&] { manager.IsWorkflowTraceEnabled(); });
        case 22:
            return manager.ManagePluginObserver(flag ? du::SmartPtr<du::RefCounted>(new Cargo) : nullptr);
        case 23:
            return Blocking(tally, [&] {
                const auto face = du::DynamicPtrCast<workflow::MessageInterface>(
                    manager.GetInternalInterface(flag ? workflow::InterfaceTypes::Message : "Other"));
                if (face) {
                    ++tally.interfacesSeen;
                    // This thread does not run the manager: refused, whatever the module thread is doing
                    // meanwhile, and no workflow hears of it.
                    for (int send = 0; send < 20; ++send) {
                        if (face->SendMessage(workflow::Msg(ForeignMessage()))) {
                            ++tally.foreignSendsAccepted;
                        }
                    }
                }
            });
        case 24:
            return manager.Destroy();
        case INPUT:
            return PostInput(*world.windows[target], random);
        case EXTRA_MANAGER:
        default:
            // Left to the queue, which frees it at shutdown with its observers on the shared window.
            return Blocking(tally, [&] { module.CreateManager(world.views[target]); });
    }
}

// Runs HOST_THREADS threads, each making calls on randomly chosen managers; thread i's choices come from
// the seed base + i. destroyAt: the call after which thread i (i < MANAGERS) destroys manager i, or -1.
void RunHostThreads(RunningLibrary& library, StressWorld& world, Tally& tally, unsigned int seedBase,
                    int callsPerThread, int destroyAt, bool destroyInMix) {
    std::vector<std::thread> threads;
    for (int i = 0; i < HOST_THREADS; ++i) {
        threads.emplace_back([&, i] {
            std::mt19937 random(seedBase + static_cast<unsigned int>(i));
            for (int call = 0; call < callsPerThread; ++call) {
                const auto target = static_cast<std::size_t>(random() % MANAGERS);
                int choice = static_cast<int>(random() % CHOICES);
                if (choice == 24 && !destroyInMix) {
                    choice = INPUT;
                }
                Call(choice, *library.module, *library.managers[target], target, world, random, tally);
                if (call == destroyAt && i < MANAGERS) {
                    library.managers[static_cast<std::size_t>(i)]->Destroy();
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

void ExpectNothingLeftAlive() {
    EXPECT_EQ(liveWorkflows.load(), 0);
    EXPECT_EQ(liveCargo.load(), 0);
}

TEST(Stress, EightHostThreadsCallEveryOperationOnFourManagersThenDestroyThemUnderCallsInFlight) {
    Watchdog watchdog("every operation on four managers");
    {
        StressWorld world;
        Tally tally;
        {
            RunningLibrary library(world);
            ASSERT_TRUE(library.Ready());
            // Rounds of every operation (Destroy among them) and window input, while the timers tick.
            for (unsigned int round = 0; round < 3; ++round) {
                RunHostThreads(library, world, tally, 100 * round, MANAGERS * CHOICES, -1, true);
            }
            // Every manager destroyed by one thread while seven others keep calling it.
            RunHostThreads(library, world, tally, 1000, MANAGERS * CHOICES, MANAGERS * CHOICES / 2, false);
            for (const auto& manager : library.managers) {
                // The manager is empty after Destroy, and still answers.
                Blocking(tally, [&] { EXPECT_EQ(manager->FindWorkflow(10), du::Symbol::EMPTY); });
            }
        }
        EXPECT_EQ(tally.wrongFailures.load(), 0);
        EXPECT_EQ(tally.foreignSendsAccepted.load(), 0);
        EXPECT_EQ(foreignMessagesSeen.load(), 0);
        EXPECT_GT(tally.answered.load(), 0);
        EXPECT_GT(tally.interfacesSeen.load(), 0);
    }
    ExpectNothingLeftAlive();
}

TEST(Stress, TerminatingUnderAWaitingCallReleasesEveryCallerAndLeavesNothingBehind) {
    Watchdog watchdog("terminate under a waiting call");
    {
        Gate gate;
        StressWorld world(&gate);
        Tally tally;
        std::atomic<bool> gateQueryAnswered{false};
        std::atomic<bool> gateQueryRefused{false};
        {
            RunningLibrary library(world);
            ASSERT_TRUE(library.Ready());
            std::thread held([&] {
                library.managers[0]->AddWorkflow("gate", false);
                du::Symbol symbol;
                int number = 0;
                du::SmartPtr<du::RefCounted> object;
                try {
                    // The manager's answer comes from the gate workflow, the only one on its stack.
                    gateQueryAnswered = library.managers[0]->QueryWorkflows("Gate", symbol, number, object) &&
                                        symbol == du::Symbol("gate");
                } catch (const rzk::ModuleThreadEnded& error) {
                    gateQueryRefused = std::string(error.what()) == PROTOCOL_ERROR;
                }
            });
            gate.AwaitEntered();
            // The module thread is held: these calls, to managers and to the module, queue behind the
            // query, or are refused once the library stops. Each thread calls until refused, so each ends
            // only through the shutdown.
            std::vector<std::thread> waiting;
            std::atomic<int> refusedThreads{0};
            for (int i = 0; i < HOST_THREADS - 1; ++i) {
                waiting.emplace_back([&, i] {
                    std::mt19937 random(static_cast<unsigned int>(i));
                    auto& manager = *library.managers[static_cast<std::size_t>(i % MANAGERS)];
                    for (;;) {
                        manager.SetCurPage(static_cast<int>(random() % 9));
                        try {
                            if (i % 2) {
                                library.module->CreateManager(
                                    world.views[static_cast<std::size_t>(i % MANAGERS)]);
                            } else {
                                manager.GetCurrentCursor();
                            }
                        } catch (const rzk::ModuleThreadEnded& error) {
                            if (std::string(error.what()) == PROTOCOL_ERROR) {
                                ++refusedThreads;
                            }
                            return;
                        } catch (const std::runtime_error&) {
                            return;
                        }
                    }
                });
            }
            std::thread terminator([] { RZDllTerminate(); });
            gate.Open();
            terminator.join();
            held.join();
            for (std::thread& thread : waiting) {
                thread.join();
            }
            EXPECT_EQ(refusedThreads.load(), HOST_THREADS - 1);
            // Every call after the end is refused at once.
            Blocking(tally, [&] { library.managers[1]->IsWorkflowTraceEnabled(); });
            EXPECT_EQ(tally.refused.load(), 1);
            library.managers[2]->SendModeMessage("alpha", "late", 1, du::SmartPtr<du::RefCounted>(new Cargo));
            Blocking(tally, [&] { library.module->CreateManager(world.views[3]); });
            EXPECT_EQ(tally.refused.load(), 2);
            std::mt19937 random(7);
            for (const auto& window : world.windows) {
                PostInput(*window, random);
            }
        }
        // The query was either answered before the queue stopped or returned by the shutdown.
        EXPECT_TRUE(gateQueryAnswered.load() || gateQueryRefused.load());
    }
    ExpectNothingLeftAlive();
}

}  // namespace
