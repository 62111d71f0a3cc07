// Cross-thread messaging of the actor runtime against plain mutex and condition-variable baselines.
//
//   RoundTrip/*: a host thread makes a blocking call to an object on a queue thread and reads one value
//                back; baseline: a mutex + condition-variable ping-pong between two threads.
//   OneWay/*:    one producer posts small messages with three values to a queue thread that reads them;
//                baseline: a condition-variable deque of structs. "allocs_per_msg" counts heap allocations.
//
// Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true for medians.

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <future>
#include <mutex>
#include <new>
#include <thread>

#include "CountingAllocator.h"
#include "ServerThread.h"
#include "dom/ManagedObject.h"
#include "dom/Message.h"
#include "dom/MessageQueue.h"

namespace {

using dom::MessagePtr;
using dom::MessageReader;
using dom::MessageWriter;

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
        consumed.fetch_add(1, std::memory_order_release);
    }

    // Away from the object's own fields, which every sender reads.
    alignas(64) std::uint64_t sum = 0;
    std::atomic<std::uint64_t> consumed{0};
};

using ServerThread = bench_support::ServerThread<Server>;

void RoundTrip_Runtime(benchmark::State& state) {
    ServerThread thread;
    Server& server = thread.server();
    std::int32_t value = 0;
    for (auto _ : state) {
        MessageWriter writer = server.StartNewMessage(0);
        writer.PushInt32Value(value);
        writer.MarkNeedsReplyFlag();
        MessagePtr message = writer.FinaliseMessage();
        server.DeliverMessage(message);
        MessageReader reader(message);
        std::int32_t doubled = 0;
        reader.GetInt32Value(doubled);
        benchmark::DoNotOptimize(doubled);
        ++value;
    }
}
BENCHMARK(RoundTrip_Runtime)->UseRealTime();

void RoundTrip_MutexCvBaseline(benchmark::State& state) {
    std::mutex mutex;
    std::condition_variable toServer, toClient;
    std::uint64_t requested = 0, answered = 0;
    std::int32_t request = 0, reply = 0;
    bool stop = false;
    std::thread server([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            toServer.wait(lock, [&] { return stop || requested != answered; });
            if (stop) {
                return;
            }
            reply = request * 2;
            answered = requested;
            toClient.notify_one();
        }
    });
    std::int32_t value = 0;
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        request = value++;
        ++requested;
        toServer.notify_one();
        toClient.wait(lock, [&] { return answered == requested; });
        benchmark::DoNotOptimize(reply);
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    toServer.notify_one();
    server.join();
}
BENCHMARK(RoundTrip_MutexCvBaseline)->UseRealTime();

constexpr int BATCH = 10000;

void OneWay_Runtime(benchmark::State& state) {
    ServerThread thread;
    Server& server = thread.server();
    std::uint64_t posted = 0;
    const long allocationsBefore = bench_support::Allocations();
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            MessageWriter writer = server.StartNewMessage(1);
            writer.PushInt32Value(i);
            writer.PushUInt32Value(7);
            writer.PushBooleanValue(true);
            server.DeliverMessage(writer.FinaliseMessage());
        }
        posted += BATCH;
        while (server.consumed.load(std::memory_order_acquire) != posted) {
            std::this_thread::yield();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(posted));
    state.counters["allocs_per_msg"] =
        static_cast<double>(bench_support::Allocations() - allocationsBefore) / static_cast<double>(posted);
}
BENCHMARK(OneWay_Runtime)->UseRealTime();

void OneWay_CvDequeBaseline(benchmark::State& state) {
    struct Item {
        std::int32_t number;
        std::uint32_t unsignedNumber;
        bool flag;
    };
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Item> items;
    bool stop = false;
    std::atomic<std::uint64_t> consumed{0};
    std::uint64_t sum = 0;
    std::thread consumer([&] {
        for (;;) {
            std::unique_lock lock(mutex);
            ready.wait(lock, [&] { return stop || !items.empty(); });
            if (items.empty()) {
                return;
            }
            Item item = items.front();
            items.pop_front();
            lock.unlock();
            sum += static_cast<std::uint64_t>(item.number) + item.unsignedNumber + item.flag;
            consumed.fetch_add(1, std::memory_order_release);
        }
    });
    std::uint64_t posted = 0;
    const long allocationsBefore = bench_support::Allocations();
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            {
                std::lock_guard lock(mutex);
                items.push_back(Item{i, 7, true});
            }
            ready.notify_one();
        }
        posted += BATCH;
        while (consumed.load(std::memory_order_acquire) != posted) {
            std::this_thread::yield();
        }
    }
    {
        std::lock_guard lock(mutex);
        stop = true;
    }
    ready.notify_one();
    consumer.join();
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<std::int64_t>(posted));
    state.counters["allocs_per_msg"] =
        static_cast<double>(bench_support::Allocations() - allocationsBefore) / static_cast<double>(posted);
}
BENCHMARK(OneWay_CvDequeBaseline)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
