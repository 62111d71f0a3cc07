// Replaying a recorded session, as authors and CI use the session host: a generated session of 20,500
// events (orbit, pan, zoom and select installed; 5,000 left drags of four events; a "tick 20" every tenth
// drag), on an idle machine and with two busy processes that the benchmark starts on the machine's cores
// and stops. The baseline, in the same run and under the same load: the plug-in's own rate, the same input
// posted straight to the window with one wait at the end and no transcript.
//
// For information, one "tick 1000000" (100,000 timer messages) as a session.
//
// Counters: events/s, and the CPU time of this process (both its threads, not the busy processes) per
// event. Each replay's transcript is compared with the first one's: a replay must not depend on the load.
//
//     build/release/bench/session_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "PlugIn.h"
#include "SessionHost.h"
#include "dom/ManagedObject.h"
#include "dom/MessageQueue.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzloader/Loader.h"

namespace {

constexpr int DRAGS = 5000;
constexpr const char* WORKFLOWS[] = {"orbit", "pan", "zoom", "select"};

// The drag number i: down, two moves, up, around a point that wanders over the window.
struct Drag {
    int x;
    int y;
    explicit Drag(int i) : x(100 + i % 300), y(100 + (i * 7) % 300) {}
};

std::string SessionText() {
    std::ostringstream text;
    text << "view shape\nload " << WORKFLOW_EXAMPLES_DIR << "\n";
    for (const char* name : WORKFLOWS) {
        text << "add " << name << "\n";
    }
    text << "size 800 600\n";
    for (int i = 0; i < DRAGS; ++i) {
        const Drag d(i);
        text << "down left " << d.x << " " << d.y << "\nmove " << d.x + 10 << " " << d.y << "\nmove "
             << d.x + 20 << " " << d.y + 5 << "\nup left " << d.x + 20 << " " << d.y + 5 << "\n";
        if (i % 10 == 9) {
            text << "tick 20\n";
        }
    }
    return text.str();
}

constexpr double EVENTS = DRAGS * 4 + DRAGS / 10;

// Processes that spin on the machine's cores while the benchmark runs, stopped when it ends.
class BusyProcesses {
public:
    explicit BusyProcesses(int count) {
        for (int i = 0; i < count; ++i) {
            const pid_t child = fork();
            if (child == 0) {
                for (unsigned long spin = 0;; ++spin) {
                    benchmark::DoNotOptimize(spin);
                }
            }
            if (child > 0) {
                children_.push_back(child);
            }
        }
    }
    ~BusyProcesses() {
        for (const pid_t child : children_) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }
    BusyProcesses(const BusyProcesses&) = delete;
    BusyProcesses& operator=(const BusyProcesses&) = delete;

private:
    std::vector<pid_t> children_;
};

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void Report(benchmark::State& state, double cpuBefore) {
    const double events = EVENTS * static_cast<double>(state.iterations());
    state.counters["events/s"] = benchmark::Counter(events, benchmark::Counter::kIsRate);
    state.counters["cpu_us/event"] = (ProcessCpuSeconds() - cpuBefore) * 1e6 / events;
}

// The transcript without what differs from run to run: the summary's timing and the runtime's shutdown
// line, which names the process.
std::string Comparable(const std::string& transcript) {
    std::istringstream lines(transcript);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("summary:", 0) != 0 && line.find("    runtime ") != 0) {
            kept += line + "\n";
        }
    }
    return kept;
}

// Runs the session at path with its transcript in out; false, and the benchmark skipped, when it failed.
bool RunSession(benchmark::State& state, const std::filesystem::path& path, const session::Options& options,
                std::ostringstream& out) {
    std::ostringstream err;
    if (session::RunSessionFile(path.string(), options, out, err) != session::EXIT_OK) {
        state.SkipWithError(("the session failed: " + err.str()).c_str());
        return false;
    }
    return true;
}

void SessionReplay(benchmark::State& state) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("session_bench_" + std::to_string(getpid()) + ".session");
    std::ofstream(path) << SessionText();
    session::Options options;
    options.pluginPath = WORKFLOW_PLUGIN;
    static std::string first;  // the first replay's transcript, idle or busy
    BusyProcesses busy(static_cast<int>(state.range(0)));
    const double cpuBefore = ProcessCpuSeconds();
    for (auto _ : state) {
        std::ostringstream out;
        if (!RunSession(state, path, options, out)) {
            break;
        }
        state.PauseTiming();
        const std::string transcript = Comparable(out.str());
        if (first.empty()) {
            first = transcript;
        } else if (transcript != first) {
            state.SkipWithError("the transcript differs from the first replay's");
        }
        state.ResumeTiming();
    }
    Report(state, cpuBefore);
    std::filesystem::remove(path);
}

// One long "tick 1000000": 100,000 steps of the window observer's timer, each fired and dispatched.
void SessionLongTick(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("session_bench_tick_" + std::to_string(getpid()) + ".session");
    std::ofstream(path) << "view shape\nload " << WORKFLOW_EXAMPLES_DIR
                        << "\nadd orbit\nadd pan\nadd zoom\nadd select\ntick 1000000\n";
    session::Options options;
    options.pluginPath = WORKFLOW_PLUGIN;
    for (auto _ : state) {
        std::ostringstream out;
        if (!RunSession(state, path, options, out)) {
            break;
        }
    }
    std::filesystem::remove(path);
}

// An object on the plug-in's queue to wait on: a blocking call returns once everything before it ran.
class Barrier : public dom::ManagedObject {
public:
    void HandleMessage(const dom::MessagePtr&) override {}
    void Wait() const {
        dom::MessageWriter writer = StartNewMessage(0);
        writer.MarkNeedsReplyFlag();
        DeliverMessage(writer.FinaliseMessage());
    }
};

void PlugInDispatch(benchmark::State& state) {
    apps::PlugIn plugIn;
    if (auto error = plugIn.Open(WORKFLOW_PLUGIN)) {
        state.SkipWithError(error->c_str());
        return;
    }
    du::SmartPtr<rzloader::Loader> loader(new rzloader::Loader);
    rzloader::Loader::SetLoader(loader);
    loader->LoadPlugins(WORKFLOW_EXAMPLES_DIR);
    du::SmartPtr<dom::GenericMessageQueue> queue;
    {
        dom::ManualClockForNewQueues manual;
        plugIn.init();
        queue = manual.Queue();
    }
    {
        du::SmartPtr<rzk::View> view = apps::MakeView("shape");
        du::SmartPtr<rzk::Window> window(new rzk::Window);
        view->SetWindow(window);
        du::SmartPtr<rzk::WorkflowModule> module;
        if (auto error = plugIn.FindModule(*view, module)) {
            state.SkipWithError(error->c_str());
            return;
        }
        du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(view);
        for (const char* name : WORKFLOWS) {
            manager->AddWorkflow(du::Symbol(name), false);
        }
        window->PostSize(800, 600);
        du::SmartPtr<Barrier> barrier(new Barrier);
        barrier->ManageSelf(queue, du::Symbol(), 0);
        barrier->Wait();

        BusyProcesses busy(static_cast<int>(state.range(0)));
        const double cpuBefore = ProcessCpuSeconds();
        for (auto _ : state) {
            for (int i = 0; i < DRAGS; ++i) {
                const Drag d(i);
                window->PostMouseButton(0, true, d.x, d.y);
                window->PostMouseMove(d.x + 10, d.y);
                window->PostMouseMove(d.x + 20, d.y + 5);
                window->PostMouseButton(0, false, d.x + 20, d.y + 5);
                if (i % 10 == 9) {
                    queue->AdvanceTime(20);
                }
            }
            barrier->Wait();
        }
        Report(state, cpuBefore);
        manager->Destroy();
        barrier->Wait();
    }
    plugIn.terminate();
    rzloader::Loader::SetLoader(nullptr);
}

// Arg: the number of busy processes.
BENCHMARK(PlugInDispatch)->Arg(0)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SessionReplay)->Arg(0)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SessionLongTick)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
