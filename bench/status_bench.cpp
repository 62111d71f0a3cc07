// A status pass with 8 workflows, 4 of them writing a 40-character field; and cursor requests that do not
// change the effective cursor, which must not reach the window.
#include <benchmark/benchmark.h>

#include <string>

#include "CountingAllocator.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "rzk/View.h"
#include "workflows/SimpleWorkflow.h"

namespace {

class FieldWriter : public workflow::SimpleWorkflow {
public:
    FieldWriter(unsigned int priority, int field)
        : SimpleWorkflow("writer"), field_(field), text_(40, static_cast<char>('a' + priority % 26)) {
        SetPriority(priority);
        AddMsgTypeHandled(workflow::ConstStrings::MsgUpdateStatusBar, true);
    }
    bool OnMsgUpdateStatusBar() override {
        if (field_ >= 0) {
            SetStatusMessage(field_, text_);
        }
        return false;
    }

private:
    int field_;
    std::string text_;
};

du::SmartPtr<workflow::WorkflowManagerImpl> MakeManager(const du::SmartPtr<rzk::View>& view) {
    du::SmartPtr<workflow::WorkflowManagerImpl> manager(new workflow::WorkflowManagerImpl);
    manager->SetView(view);
    for (unsigned int i = 0; i < 8; ++i) {
        // Every other workflow writes one of the four fields.
        const int field = i % 2 == 0 ? static_cast<int>(i / 2) : -1;
        manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(new FieldWriter(100 + i, field)));
    }
    return manager;
}

void StatusPass(benchmark::State& state) {
    du::SmartPtr<rzk::View> view(new rzk::View("shapeview"));
    auto manager = MakeManager(view);
    manager->UpdateStatusMsg();  // texts reach their final size once
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        manager->UpdateStatusMsg();
    }
    state.counters["allocs/pass"] =
        static_cast<double>(bench_support::Allocations() - before) / static_cast<double>(state.iterations());
    manager->Destroy();
}

void UnchangedCursorRequest(benchmark::State& state) {
    du::SmartPtr<rzk::View> view(new rzk::View("shapeview"));
    du::SmartPtr<rzk::Window> window(new rzk::Window);
    view->SetWindow(window);
    auto manager = MakeManager(view);
    const du::Symbol arrow("arrow"), hand("hand");
    manager->SetMouseCursor(500, arrow);
    manager->SetMouseCursor(10, hand);
    window->ClearCallLog();
    const long before = bench_support::Allocations();
    for (auto _ : state) {
        manager->SetMouseCursor(500, arrow);  // the same request again
        manager->SetMouseCursor(10, hand);    // below the winner
    }
    state.counters["allocs/request"] = static_cast<double>(bench_support::Allocations() - before) /
                                       static_cast<double>(2 * state.iterations());
    state.counters["window calls"] = static_cast<double>(window->GetCallLog().size());
    manager->Destroy();
}

BENCHMARK(StatusPass);
BENCHMARK(UnchangedCursorRequest);

}  // namespace

BENCHMARK_MAIN();
