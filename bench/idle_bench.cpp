// What idle views cost: 100 managed 3D views (window, scene, selection, annotations, each view with its
// manager and observers, as the module makes them) receive no input while the manual clock runs. One
// iteration is one simulated second: 100 steps of 10 ms, each pumping the queue, so the window observers'
// 10-unit ticks and the managers' 100-unit ticks all run. The time per iteration is the CPU that one second
// of idleness costs; the target is well under 10 ms (1% of a core).
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <chrono>
#include <thread>
#include <vector>

#include "CountingAllocator.h"
#include "dom/MessageQueue.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "rzk/AnnoSet.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "workflows/SimpleWorkflow.h"

namespace {

constexpr int VIEWS = 100;

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
constexpr int STEPS_PER_SECOND = 100;
constexpr std::int64_t STEP = 10;

// A navigation mode that, like most, wants no timer messages.
class IdleWorkflow : public workflow::SimpleWorkflow {
public:
    IdleWorkflow() : SimpleWorkflow("idle") {
        SetPriority(100);
        AddMsgTypeHandled(workflow::ConstStrings::MsgMouseMove, false);
        SetActive(true);
    }
};

// VIEWS managers of 3D views, made and managed as the module does it, on module's queue.
std::vector<du::SmartPtr<workflow::WorkflowManagerImpl>> ManageViews(dom::ManagedObject& module,
                                                                     bool withWorkflow) {
    std::vector<du::SmartPtr<workflow::WorkflowManagerImpl>> managers;
    for (int i = 0; i < VIEWS; ++i) {
        du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
        scene->SetSelectionManager(du::SmartPtr<rzk::SelectionManager>(new rzk::SelectionManager));
        scene->SetAnnoSet(du::SmartPtr<rzk::AnnoSet>(new rzk::AnnoSet));
        du::SmartPtr<rzk::ShapeView> view(new rzk::ShapeView);
        view->SetScene(scene);
        view->SetWindow(du::SmartPtr<rzk::Window>(new rzk::Window));
        du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
        manager->SetView(view);
        module.ManageObject(manager);  // OnManage runs on the queue's thread
        if (withWorkflow) {
            manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(new IdleWorkflow));
        }
        managers.push_back(manager);
    }
    return managers;
}

struct Views {
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<dom::ManagedObject> module{new dom::ManagedObject};
    std::vector<du::SmartPtr<workflow::WorkflowManagerImpl>> managers;

    explicit Views(bool withWorkflow) {
        module->ManageSelf(queue, du::Symbol(), 0);
        managers = ManageViews(*module, withWorkflow);
        queue->RunPending();
        RunSecond();  // past the first, silent ticks and the status pushes of the installation
    }
    ~Views() {
        for (const auto& manager : managers) {
            manager->Destroy();
        }
        queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    }

    std::size_t RunSecond() {
        std::size_t callbacks = 0;
        for (int step = 0; step < STEPS_PER_SECOND; ++step) {
            queue->AdvanceTime(STEP);
            callbacks += queue->RunPending();
        }
        return callbacks;
    }
};

void IdleSecond(benchmark::State& state) {
    Views views(state.range(0) != 0);
    std::size_t callbacks = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        callbacks += views.RunSecond();
    }
    const auto seconds = static_cast<double>(state.iterations());
    state.counters["callbacks/s"] = static_cast<double>(callbacks) / seconds;
    state.counters["allocs/s"] = static_cast<double>(bench_support::Allocations() - before) / seconds;
}

// Argument: whether each view holds one workflow.
BENCHMARK(IdleSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same views on a steady-clock queue run by a loop thread, as the module thread runs them: one
// iteration is one real second, and the reported time is the process's CPU time in it (the main thread
// only sleeps). This includes what the loop's waking and sleeping costs, which the manual clock leaves out.
void IdleRealSecond(benchmark::State& state) {
    du::SmartPtr<dom::GenericMessageQueue> queue(new dom::GenericMessageQueue);
    du::SmartPtr<dom::ManagedObject> module(new dom::ManagedObject);
    module->ManageSelf(queue, du::Symbol(), 0);
    std::thread loop([&] { queue->RunMessageLoop(); });
    const auto managers = ManageViews(*module, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (auto _ : state) {
        const double before = ProcessCpuSeconds();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        state.SetIterationTime(ProcessCpuSeconds() - before);
    }
    queue->ShutdownQueue(dom::MessageQueue::SHUTDOWN_NOW);
    loop.join();
}

BENCHMARK(IdleRealSecond)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
