// A raw window move to the workflow that consumes it: OnMouseMove on the window observer, through a manager
// holding eight workflows of which only the lowest consumes "MsgMouseMove", against the same message handed
// to the manager's DispatchMessage directly, with the flight recorder off and at its default size (once its
// ring is full, recording allocates nothing). For information, the whole way from the window: posting the
// event to the observer's queue and pumping it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>

#include "CountingAllocator.h"
#include "MoveWorkflow.h"
#include "diagnostics/FlightRecorder.h"
#include "dom/MessageQueue.h"
#include "dom/Observer.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/MouseMsg.h"
#include "observers/WindowObserver.h"
#include "rzk/NotificationObserver.h"
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

// Tracing on, with a listener, for moves to 1,000,000 distinct points: each move writes a trace line with its
// coordinates. The process must not grow with the pointer's path: the counters give the symbols interned per
// move (0: the lines stay out of the process-wide table) and the growth of the resident memory in MB.
class TraceListener : public rzk::NotificationObserver {
public:
    void OnRegistered() override {}
    void OnNotification(const du::Symbol&, const du::Symbol&, int,
                        const du::SmartPtr<du::RefCounted>&) override {
        ++lines;
    }
    long lines = 0;
};

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long total = 0;
    long resident = 0;
    statm >> total >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void TracedDistinctMoves(benchmark::State& state) {
    Setup setup(0);
    du::SmartPtr<TraceListener> listener(new TraceListener);
    setup.manager->RegisterNotificationObserver(listener);
    for (int i = 0; i < 1024; ++i) {  // the first lines, and whatever the first moves intern, before counting
        setup.observer->OnMouseMove(i, 1);
    }
    const std::size_t internedBefore = du::Symbol::InternedCount();
    const double residentBefore = ResidentMegabytes();
    int x = 0;
    for (auto _ : state) {
        setup.observer->OnMouseMove(x % 4096, x / 4096);
        ++x;
    }
    state.counters["interned/event"] = static_cast<double>(du::Symbol::InternedCount() - internedBefore) /
                                       static_cast<double>(state.iterations());
    state.counters["growth MB"] = ResidentMegabytes() - residentBefore;
    state.counters["lines"] = static_cast<double>(listener->lines);
}

BENCHMARK(DirectDispatch);
BENCHMARK(WindowObserverMove)->Arg(0)->Arg(workflow::FlightRecorder::DEFAULT_CAPACITY);
BENCHMARK(PostAndPumpMove);
BENCHMARK(TracedDistinctMoves)->Iterations(1000000);

}  // namespace

BENCHMARK_MAIN();
