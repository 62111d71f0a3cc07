// The manager's remote interface against the bare actor runtime it is built on, in one binary.
//
//   RoundTrip/*: a host thread makes a blocking call to the module thread and reads the answer:
//                FindWorkflow through the manager proxy, and a bare message with one value each way.
//   OneWay/*:    a host thread posts calls in batches of 10,000, each batch closed by one blocking call:
//                SetCurPage through the manager proxy, and bare messages with three values.
//   "allocs_per_call" counts heap allocations per call on both sides.
//
// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving=true
//          --benchmark_report_aggregates_only=true for medians.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <future>
#include <thread>

#include "CountingAllocator.h"
#include "ServerThread.h"
#include "dom/DistinguishedObjects.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"
#include "module/ActiveModuleThread.h"
#include "module/WorkflowModuleImpl.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowModule.h"

namespace {

using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;

constexpr int BATCH = 10000;

// Doubles the int of a blocking call; sums the values of one-way messages.
class Server : public dom::ManagedObject {
public:
    void HandleMessage(const MessagePtr& message) override {
        MessageReader reader(message);
        std::int32_t number = 0;
        std::uint32_t unsignedNumber = 0;
        bool flag = false;
        reader.GetInt32Value(number);
        if (message->NeedsReply()) {
            MessageWriter reply;
            reply.StartMessageReply(message);
            reply.PushInt32Value(number * 2);
            reply.FinaliseMessage();
            return;
        }
        reader.GetUInt32Value(unsignedNumber);
        reader.GetBooleanValue(flag);
        sum += static_cast<std::uint64_t>(number) + unsignedNumber + flag;
    }
    std::uint64_t sum = 0;
};

using ServerThread = bench_support::ServerThread<Server>;

std::int32_t BareCall(Server& server, std::int32_t value) {
    MessageWriter writer = server.StartNewMessage(0);
    writer.PushInt32Value(value);
    writer.MarkNeedsReplyFlag();
    MessagePtr message = writer.FinaliseMessage();
    server.DeliverMessage(message);
    MessageReader reader(message);
    std::int32_t doubled = 0;
    reader.GetInt32Value(doubled);
    return doubled;
}

// The library's module thread, and a manager made for a view through the module proxy, as a host sees it.
class ManagerFromHost {
public:
    ManagerFromHost() : thread_("workflow", "BenchModuleThread") {
        thread_.Start(true);
        const auto module = du::DynamicPtrCast<rzk::WorkflowModule>(dom::GetDistinguishedObject(
            rzk::WorkflowModule::GetClassName(), thread_.GetModule().GetActorName(), 10000));
        manager_ = module->CreateManager(du::SmartPtr<rzk::View>(new rzk::ShapeView));
    }
    rzk::WorkflowManager& manager() { return *manager_; }

private:
    rzk::ActiveModuleThread<workflow::WorkflowModuleThread, dom::GenericMessageQueue> thread_;
    du::SmartPtr<rzk::WorkflowManager> manager_;
};

void SetAllocationsPerCall(benchmark::State& state, long before, std::uint64_t calls) {
    state.counters["allocs_per_call"] =
        static_cast<double>(bench_support::Allocations() - before) / static_cast<double>(calls);
}

void RoundTrip_Runtime(benchmark::State& state) {
    ServerThread thread;
    std::int32_t value = 0;
    std::uint64_t calls = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        benchmark::DoNotOptimize(BareCall(thread.server(), value++));
        ++calls;
    }
    SetAllocationsPerCall(state, before, calls);
}
BENCHMARK(RoundTrip_Runtime)->UseRealTime();

void RoundTrip_FindWorkflowProxy(benchmark::State& state) {
    ManagerFromHost host;
    unsigned int priority = 0;
    std::uint64_t calls = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        benchmark::DoNotOptimize(host.manager().FindWorkflow(priority++ & 63));
        ++calls;
    }
    SetAllocationsPerCall(state, before, calls);
}
BENCHMARK(RoundTrip_FindWorkflowProxy)->UseRealTime();

void OneWay_Runtime(benchmark::State& state) {
    ServerThread thread;
    Server& server = thread.server();
    std::uint64_t calls = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            MessageWriter writer = server.StartNewMessage(1);
            writer.PushInt32Value(i);
            writer.PushUInt32Value(7);
            writer.PushBooleanValue(true);
            server.DeliverMessage(writer.FinaliseMessage());
        }
        BareCall(server, 0);  // the batch has run
        calls += BATCH;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(calls));
    SetAllocationsPerCall(state, before, calls);
}
BENCHMARK(OneWay_Runtime)->UseRealTime();

void OneWay_SetCurPageProxy(benchmark::State& state) {
    ManagerFromHost host;
    std::uint64_t calls = 0;
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            host.manager().SetCurPage(i);
        }
        host.manager().IsWorkflowTraceEnabled();  // the batch has run
        calls += BATCH;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(calls));
    SetAllocationsPerCall(state, before, calls);
}
BENCHMARK(OneWay_SetCurPageProxy)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
