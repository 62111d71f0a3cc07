// A raw window move to the workflow that consumes it: OnMouseMove on the window observer, through a manager
// holding eight workflows of which only the lowest consumes "MsgMouseMove", against the same message handed
// to the manager's DispatchMessage directly, with the flight recorder off and at its default size (once its
// ring is full, recording allocates nothing). For information, the whole way from the window: posting the
// event to the observer's queue and pumping it.
#include <benchmark/benchmark.h>

#include "CountingAllocator.h"
#include "MoveWorkflow.h"
#include "diagnostics/FlightRecorder.h"
#include "dom/MessageQueue.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/MouseMsg.h"
#include "observers/WindowObserver.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "workflows/SimpleWorkflow.h"

namespace {

constexpr unsigned int WORKFLOWS = 8;

using bench_support::MoveWorkflow;

struct Setup {
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzk::ShapeView> view{new rzk::ShapeView};
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<workflow::WindowObserver> observer;

    explicit Setup(std::size_t recorderSize = workflow::FlightRecorder::DEFAULT_CAPACITY) {
        view->SetWindow(window);
        manager->ManageSelf(queue, du::Symbol(), 0);
        manager->SetFlightRecorderCapacity(recorderSize);
        for (unsigned int i = 0; i < WORKFLOWS; ++i) {
            manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(new MoveWorkflow(100 + i, i == 0)));
        }
        observer = new workflow::WindowObserver(view, manager.Get());
        manager->AddManagedObject(observer);
    }
    ~Setup() { manager->Destroy(); }
};

void Report(benchmark::State& state, long allocationsBefore) {
    state.counters["allocs/event"] = static_cast<double>(bench_support::Allocations() - allocationsBefore) /
                                     static_cast<double>(state.iterations());
}

void DirectDispatch(benchmark::State& state) {
    Setup setup;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        const workflow::MouseMsg move(workflow::ConstStrings::MsgMouseMove, 10, 20);
        benchmark::DoNotOptimize(setup.manager->DispatchMessage(move));
    }
    Report(state, before);
}

void WindowObserverMove(benchmark::State& state) {
    Setup setup(static_cast<std::size_t>(state.range(0)));
    int x = 0;
    for (int i = 0; i < 1024; ++i) {  // fills the ring first
        setup.observer->OnMouseMove(i, 20);
    }
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        setup.observer->OnMouseMove(x, 20);
        x = (x + 1) & 1023;
    }
    Report(state, before);
}

void PostAndPumpMove(benchmark::State& state) {
    Setup setup;
    int x = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        setup.window->PostMouseMove(x, 20);
        setup.queue->RunPending();
        x = (x + 1) & 1023;
    }
    Report(state, before);
}

BENCHMARK(DirectDispatch);
BENCHMARK(WindowObserverMove)->Arg(0)->Arg(workflow::FlightRecorder::DEFAULT_CAPACITY);
BENCHMARK(PostAndPumpMove);

}  // namespace

BENCHMARK_MAIN();
