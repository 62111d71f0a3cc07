// The flight recorder alone, taking a full ring's worth of mixed events; it allocates nothing once the ring
// is full. Its cost on the way of a window move is in window_bench (WindowObserverMove/0 against /256).
#include <benchmark/benchmark.h>

#include "CountingAllocator.h"
#include "diagnostics/FlightRecorder.h"
#include "du/Symbol.h"

namespace {

void RecorderMixedEvents(benchmark::State& state) {
    workflow::FlightRecorder recorder(workflow::FlightRecorder::DEFAULT_CAPACITY);
    const du::Symbol select("select");
    const du::Symbol add("add");
    const du::Symbol f5("F5");
    auto eight = [&](int i) {
        using workflow::FlightRecord;
        recorder.SetTime(i * 10);
        recorder.Record(FlightRecord::Button(0, true, i, 20));
        recorder.Record(FlightRecord::Move(i + 5, 20));
        recorder.Record(FlightRecord::Button(0, false, i + 5, 20));
        recorder.Record(FlightRecord::Key("a", du::Symbol::EMPTY));
        recorder.Record(FlightRecord::Key("", f5));
        recorder.Record(FlightRecord::Modifier(2, true));
        recorder.Record(FlightRecord::Mode(select, add, i, false));
        recorder.Record(FlightRecord::Wheel(-120, i, 20));
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

BENCHMARK(RecorderMixedEvents);

}  // namespace

BENCHMARK_MAIN();
