// One MsgMouseMove dispatched through N simple workflows that all handle it, only the lowest consuming it,
// against two bare walks calling one virtual handler per entry: of a priority map, and of a vector. The
// dispatch runs without a routing observer, with one registered on another manager, and with one listening.
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "CountingAllocator.h"
#include "MoveWorkflow.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/MouseMsg.h"
#include "workflows/MouseRouting.h"
#include "workflows/SimpleWorkflow.h"

namespace {

using bench_support::MoveWorkflow;

// Counts the steps, as cheaply as an observer can.
class CountingRouter : public workflow::RoutingObserver {
public:
    void OnRoutingStep(const workflow::RoutingStep& step) override {
        benchmark::DoNotOptimize(step.kind);
        ++steps;
    }
    long steps = 0;
};

enum class Routing { Absent, Elsewhere, Listening };

// The dispatch through count workflows; with a routing observer on another manager (present, idle) or on
// this one (listening).
void DispatchRouted(benchmark::State& state, Routing routing) {
    const auto count = static_cast<unsigned int>(state.range(0));
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    du::SmartPtr<workflow::WorkflowManagerImpl> other(new workflow::WorkflowManagerImpl);
    for (unsigned int i = 0; i < count; ++i) {
        manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(new MoveWorkflow(100 + i, i == 0)));
    }
    du::SmartPtr<CountingRouter> router(new CountingRouter);
    if (routing != Routing::Absent) {
        (routing == Routing::Listening ? manager : other)->RegisterRoutingObserver(router);
    }
    const workflow::MouseMsg move(workflow::ConstStrings::MsgMouseMove, 10, 20);
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        benchmark::DoNotOptimize(manager->DispatchMessage(move));
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["allocs/dispatch"] =
        static_cast<double>(bench_support::Allocations() - before) / iterations;
    if (routing == Routing::Listening) {
        state.counters["steps/dispatch"] = static_cast<double>(router->steps) / iterations;
    }
}

void Dispatch(benchmark::State& state) {
    DispatchRouted(state, Routing::Absent);
}
void DispatchRouterElsewhere(benchmark::State& state) {
    DispatchRouted(state, Routing::Elsewhere);
}
void DispatchRouterListening(benchmark::State& state) {
    DispatchRouted(state, Routing::Listening);
}

// The A/B of the simple workflow's mouse routing: the same dispatch through count workflows, routed the
// learnt way (the baseline where available) and the plain way, with the manager's trace switch on (the
// default: nobody listens, but TraceMouseAndKeys is asked) and off.
void DispatchMouseRouting(benchmark::State& state, workflow::MouseRouting routing, bool traceOn) {
    if (routing == workflow::MouseRouting::Learnt && !workflow::LEARNT_MOUSE_ROUTING_AVAILABLE) {
        state.SkipWithError("no learnt routing in this build");
        return;
    }
    workflow::SetMouseRouting(routing);
    const auto count = static_cast<unsigned int>(state.range(0));
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    manager->SetWorkflowTraceEnabled(traceOn);
    for (unsigned int i = 0; i < count; ++i) {
        manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(new MoveWorkflow(100 + i, i == 0)));
    }
    const workflow::MouseMsg move(workflow::ConstStrings::MsgMouseMove, 10, 20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(manager->DispatchMessage(move));
    }
    manager->Destroy();
    workflow::SetMouseRouting(workflow::MouseRouting::Learnt);
}

void MouseLearnt(benchmark::State& state) {
    DispatchMouseRouting(state, workflow::MouseRouting::Learnt, true);
}
void MousePlain(benchmark::State& state) {
    DispatchMouseRouting(state, workflow::MouseRouting::Plain, true);
}
void MouseLearntTraceOff(benchmark::State& state) {
    DispatchMouseRouting(state, workflow::MouseRouting::Learnt, false);
}
void MousePlainTraceOff(benchmark::State& state) {
    DispatchMouseRouting(state, workflow::MouseRouting::Plain, false);
}

// The baseline: the least a priority walk can do.
struct Handler {
    virtual ~Handler() = default;
    virtual bool Handle(const workflow::Msg& message) = 0;
};
struct MoveHandler : Handler {
    explicit MoveHandler(bool consume) : consume(consume) {}
    // Kept out of line so that the walk makes a real virtual call per entry, as a dispatch does.
    [[gnu::noinline]] bool Handle(const workflow::Msg& message) override {
        if (message.GetName() != workflow::ConstStrings::MsgMouseMove) {
            return false;
        }
        benchmark::DoNotOptimize(static_cast<const workflow::MouseMsg&>(message).GetX());
        return consume;
    }
    bool consume;
};

void BaselineWalk(benchmark::State& state) {
    const auto count = static_cast<unsigned int>(state.range(0));
    std::vector<std::unique_ptr<Handler>> owned;
    std::map<unsigned int, Handler*, std::greater<>> handlers;
    for (unsigned int i = 0; i < count; ++i) {
        owned.push_back(std::make_unique<MoveHandler>(i == 0));
        handlers.emplace(100 + i, owned.back().get());
    }
    const workflow::MouseMsg move(workflow::ConstStrings::MsgMouseMove, 10, 20);
    for (auto _ : state) {
        // Hides the handlers' dynamic type from the optimiser, which would otherwise devirtualise the calls.
        benchmark::DoNotOptimize(handlers);
        bool consumed = false;
        for (auto& [priority, handler] : handlers) {
            if (handler->Handle(move)) {
                consumed = true;
                break;
            }
        }
        benchmark::DoNotOptimize(consumed);
    }
}

// The least any walk can do: a contiguous array of handlers, one virtual call each.
void BaselineVectorWalk(benchmark::State& state) {
    const auto count = static_cast<unsigned int>(state.range(0));
    std::vector<std::unique_ptr<Handler>> owned;
    std::vector<Handler*> handlers;
    for (unsigned int i = 0; i < count; ++i) {
        owned.push_back(std::make_unique<MoveHandler>(i + 1 == count));
        handlers.push_back(owned.back().get());
    }
    const workflow::MouseMsg move(workflow::ConstStrings::MsgMouseMove, 10, 20);
    for (auto _ : state) {
        benchmark::DoNotOptimize(handlers);
        bool consumed = false;
        for (Handler* handler : handlers) {
            if (handler->Handle(move)) {
                consumed = true;
                break;
            }
        }
        benchmark::DoNotOptimize(consumed);
    }
}

BENCHMARK(BaselineWalk)->Arg(1)->Arg(4)->Arg(8)->Arg(32);
BENCHMARK(BaselineVectorWalk)->Arg(1)->Arg(4)->Arg(8)->Arg(32);
BENCHMARK(Dispatch)->Arg(1)->Arg(4)->Arg(8)->Arg(32);
BENCHMARK(DispatchRouterElsewhere)->Arg(1)->Arg(4)->Arg(8)->Arg(32);
BENCHMARK(DispatchRouterListening)->Arg(1)->Arg(4)->Arg(8)->Arg(32);
BENCHMARK(MouseLearnt)->Arg(1)->Arg(8)->Arg(32);
BENCHMARK(MousePlain)->Arg(1)->Arg(8)->Arg(32);
BENCHMARK(MouseLearntTraceOff)->Arg(1)->Arg(8)->Arg(32);
BENCHMARK(MousePlainTraceOff)->Arg(1)->Arg(8)->Arg(32);

}  // namespace

BENCHMARK_MAIN();
