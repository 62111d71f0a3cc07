// Trace lines replayed into a simple workflow, through the manager's HandleTraceString and straight into
// the workflow: each line of the input is one trace line, whatever it holds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "support/FuzzWorld.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput settings(data, size > 0 ? 1 : 0);
    const std::uint8_t choice = settings.Byte();
    fuzz::World world(nullptr);
    const du::SmartPtr<fuzz::FuzzWorkflow> workflow = world.MakeWorkflow("fz-a", 10);
    world.manager->InstallWorkflow(du::SmartPtr<workflow::Workflow>(workflow.Get()));
    // Replays with tracing off, on and nobody listening, and on with a listener.
    world.manager->SetWorkflowTraceEnabled((choice & 1) != 0);
    if ((choice & 2) != 0) {
        world.manager->RegisterNotificationObserver(
            du::SmartPtr<rzk::NotificationObserver>(world.notificationActor.Get()));
    }
    workflow->SetActive((choice & 4) == 0);
    world.Pump();

    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = size > 0 ? 1 : 0;
    bool first = true;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(start, end - start);
        if (first) {
            // Through the manager once (its text is interned for good: once per input is enough).
            world.manager->HandleTraceString("fz-a", du::Symbol(line));
            first = false;
        } else {
            workflow->HandleTraceString(line);
        }
        start = end + 1;
    }
    world.Pump();
    world.CheckConsistency();
    return 0;
}
