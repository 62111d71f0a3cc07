// The flight recorder's cost on the input path: a raw window move through the window observer to a manager
// of eight workflows, with the recorder off (the baseline) and at its default size, and the recorder alone
// taking a full ring's worth of mixed events. Each reports its allocations per event: once the ring is full
// there are none.
#include <benchmark/benchmark.h>

#include "CountingAllocator.h"
#include "MoveWorkflow.h"
#include "dom/MessageQueue.h"
#include "manager/FlightRecorder.h"
#include "manager/WorkflowManagerImpl.h"
#include "observers/WindowObserver.h"
#include "rzk/View.h"
#include "rzk/Window.h"

namespace {

constexpr unsigned int WORKFLOWS = 8;

struct Setup {
    du::SmartPtr<dom::GenericMessageQueue> queue = dom::GenericMessageQueue::CreateManual();
    du::SmartPtr<rzk::Window> window{new rzk::Window};
    du::SmartPtr<rzk::ShapeView> view{new rzk::ShapeView};
    du::SmartPtr<workflow::WorkflowManagerImpl> manager{new workflow::WorkflowManagerImpl};
    du::SmartPtr<workflow::WindowObserver> observer;

    explicit Setup(std::size_t recorderSize) {
        view->SetWindow(window);
        manager->ManageSelf(queue, du::Symbol(), 0);
        manager->SetFlightRecorderCapacity(recorderSize);
        for (unsigned int i = 0; i < WORKFLOWS; ++i) {
            manager->InstallWorkflow(
                du::SmartPtr<workflow::Workflow>(new bench_support::MoveWorkflow(100 + i, i == 0)));
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

void RecorderMixedEvents(benchmark::State& state) {
    workflow::FlightRecorder recorder(workflow::FlightRecorder::DEFAULT_CAPACITY);
    const du::Symbol select("select");
    const du::Symbol add("add");
    const du::Symbol f5("F5");
    auto eight = [&](int i) {
        recorder.SetTime(i * 10);
        recorder.Button(0, true, i, 20);
        recorder.Move(i + 5, 20);
        recorder.Button(0, false, i + 5, 20);
        recorder.Key("a", du::Symbol::EMPTY);
        recorder.Key("", f5);
        recorder.Modifier(2, true);
        recorder.Mode(select, add, i, false);
        recorder.Wheel(-120, i, 20);
    };
    for (int i = 0; i < 64; ++i) {
        eight(i);
    }
    int i = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        eight(i++);
    }
    state.counters["allocs/event"] = static_cast<double>(bench_support::Allocations() - before) /
                                     static_cast<double>(state.iterations() * 8);
    state.SetItemsProcessed(state.iterations() * 8);
}

BENCHMARK(WindowObserverMove)->Arg(0)->Arg(workflow::FlightRecorder::DEFAULT_CAPACITY);
BENCHMARK(RecorderMixedEvents);

}  // namespace

BENCHMARK_MAIN();
