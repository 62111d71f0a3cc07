// A minimal host, written from docs/hosting.md and the installed headers alone (the entry points by hand,
// the view from the host kit): it loads the plug-in,
// checks its version, makes two 3D views with their managers and drives each from a thread of its own
// (orbit and zoom installed, observed, a drag and a wheel notch posted, time moved and settled, status and
// cursor read), then shuts down in the documented order and checks that a call after RZDllTerminate is
// answered with the typed error.
//
//     host-program <libworkflow.so> <libworkflow_examples.so>
//
// Exits 0 when every step did what the guide says; otherwise 1, with one line per failure on stderr.
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dom/DistinguishedObjects.h"
#include "dom/MessageQueue.h"
#include "dom/Settle.h"
#include "dp/RZTracer.h"
#include "du/SmartPtr.h"
#include "hostkit/PlugIn.h"
#include "rzk/ActiveModule.h"
#include "rzk/Camera.h"
#include "rzk/NotificationObserver.h"
#include "rzk/PlugInVersion.h"
#include "rzk/View.h"
#include "rzk/Window.h"
#include "rzk/WorkflowManager.h"
#include "rzk/WorkflowManagerObserver.h"
#include "rzk/WorkflowModule.h"
#include "rzloader/Loader.h"

namespace {

std::mutex failuresLock;
std::vector<std::string> failures;

void Check(bool ok, const std::string& what) {
    if (!ok) {
        std::lock_guard lock(failuresLock);
        failures.push_back(what);
    }
}

// Derived from the observer interface alone, as the header shows.
class Reports : public rzk::WorkflowManagerObserver {
public:
    void OnRegistered() override { ++registered; }
    void OnWorkflowChange(const du::Symbol&, const du::Symbol& newName, unsigned int, bool success,
                          const du::Symbol&) override {
        if (success && !newName.View().empty()) {
            ++installed;
        }
    }
    void OnManagerDestroyed() override { ++destroyed; }

    std::atomic<int> registered{0};
    std::atomic<int> installed{0};
    std::atomic<int> destroyed{0};
};

class Notes : public rzk::NotificationObserver {
public:
    void OnRegistered() override { ++registered; }
    void OnNotification(const du::Symbol&, const du::Symbol&, int,
                        const du::SmartPtr<du::RefCounted>&) override {
        ++notifications;
    }

    std::atomic<int> registered{0};
    std::atomic<int> notifications{0};
};

using InitFunction = bool (*)();
using CreateComponentFunction = bool (*)(const std::string&, const std::string&, const std::string&,
                                         du::SmartPtr<rzk::ActiveModule>&);
using TerminateFunction = void (*)();
using VersionFunction = int (*)();

// One view's life on one host thread; keeps its manager in kept for the check after the shutdown.
void DriveOneView(const du::SmartPtr<rzk::WorkflowModule>& module,
                  const du::SmartPtr<dom::GenericMessageQueue>& queue, int index,
                  du::SmartPtr<rzk::WorkflowManager>& kept) {
    const std::string name = "view " + std::to_string(index) + ": ";
    // The host kit builds the view and tells of every status text, on the module thread.
    std::mutex statusLock;
    std::string lastStatus;
    const du::SmartPtr<rzk::View> view = hostkit::MakeView("shape", [&](const std::string& text) {
        std::lock_guard lock(statusLock);
        lastStatus = text;
    });
    const du::SmartPtr<rzk::Window> window(new rzk::Window);
    view->SetWindow(window);
    const du::SmartPtr<rzk::WorkflowManager> manager = module->CreateManager(view);
    if (!manager) {
        Check(false, name + "the module made no manager");
        return;
    }
    const du::SmartPtr<Reports> reports(new Reports);
    const du::SmartPtr<Notes> notes(new Notes);
    manager->RegisterObserver(du::SmartPtr<rzk::WorkflowManagerObserver>(reports.Get()));
    manager->RegisterNotificationObserver(du::SmartPtr<rzk::NotificationObserver>(notes.Get()));
    manager->AddWorkflow("orbit", false);
    manager->AddWorkflow("zoom", false);
    Check(manager->FindWorkflow(100) == du::Symbol("orbit"), name + "orbit is not at its priority 100");
    Check(manager->FindWorkflow(120) == du::Symbol("zoom"), name + "zoom is not at its priority 120");
    Check(reports->registered == 1 && notes->registered == 1, name + "an observer did not hear OnRegistered");
    Check(reports->installed == 2, name + "the observer did not hear both installations");

    window->PostSize(800, 600);
    window->PostMouseButton(0, true, 100, 100);
    window->PostMouseMove(110, 100);
    window->PostMouseMove(130, 110);
    window->PostMouseButton(0, false, 130, 110);
    window->PostMouseWheel(-120, 300, 300);
    Check(dom::AdvanceTimeAndSettle(queue, 500), name + "the plug-in's clock did not settle");
    Check(view->GetCamera()->GetYaw() != 0.0, name + "the drag did not turn the camera");
    Check(view->GetCamera()->GetZoom() != 1.0, name + "the wheel notch did not zoom");
    Check(!view->GetStatusMessage().empty(), name + "no status text reached the view");
    {
        std::lock_guard lock(statusLock);
        Check(lastStatus == view->GetStatusMessage(),
              name + "the status callback did not hear the last text");
    }
    Check(notes->notifications > 0, name + "no trace notification arrived although trace is on by default");
    (void)manager->GetCurrentCursor();

    manager->Destroy();
    Check(dom::AdvanceTimeAndSettle(queue, 0) && reports->destroyed == 1,
          name + "the observer did not hear OnManagerDestroyed");
    if (index == 0) {
        kept = manager;
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: host-program <libworkflow.so> <libworkflow_examples.so>\n");
        return 2;
    }
    std::atomic<int> traceLines{0};
    dp::SetTraceSink([&](const dp::TraceRecord&) { ++traceLines; });

    void* library = dlopen(argv[1], RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "host-program: cannot load %s: %s\n", argv[1], dlerror());
        return 1;
    }
    const auto init = reinterpret_cast<InitFunction>(dlsym(library, "RZDllInit"));
    const auto createComponent =
        reinterpret_cast<CreateComponentFunction>(dlsym(library, "RZDllCreateComponent"));
    const auto terminate = reinterpret_cast<TerminateFunction>(dlsym(library, "RZDllTerminate"));
    const auto version = reinterpret_cast<VersionFunction>(dlsym(library, "RZDllGetVersion"));
    if (!init || !createComponent || !terminate || !version || version() != rzk::PLUGIN_INTERFACE_VERSION) {
        std::fprintf(stderr, "host-program: %s lacks the entry points or was built for another version\n",
                     argv[1]);
        return 1;
    }

    du::SmartPtr<rzloader::Loader> loader(new rzloader::Loader);
    rzloader::Loader::SetLoader(loader);
    std::string error;
    if (!loader->LoadPlugins(argv[2], &error)) {
        std::fprintf(stderr, "host-program: cannot load the example workflows %s\n", argv[2]);
        return 1;
    }

    bool started = false;
    du::SmartPtr<dom::GenericMessageQueue> queue;
    {
        dom::ManualClockForNewQueues manual;
        started = init();
        queue = manual.Queue();
    }
    if (!started || !queue) {
        std::fprintf(stderr, "host-program: the plug-in did not start its module thread\n");
        return 1;
    }

    du::SmartPtr<rzk::ActiveModule> record;
    du::SmartPtr<rzk::WorkflowModule> module;
    if (createComponent(rzk::ShapeView::ACTOR_TYPE.ToString(), "navigator", "workflow", record) && record) {
        module = du::DynamicPtrCast<rzk::WorkflowModule>(
            dom::GetDistinguishedObject(rzk::WorkflowModule::GetClassName(), record->GetActorName(), 10000));
    }
    Check(static_cast<bool>(module), "the plug-in offers no module for a 3D view");

    du::SmartPtr<rzk::WorkflowManager> kept;
    if (module) {
        du::SmartPtr<rzk::WorkflowManager> unused;
        std::thread first([&] { DriveOneView(module, queue, 0, kept); });
        std::thread second([&] { DriveOneView(module, queue, 1, unused); });
        first.join();
        second.join();
    }
    module = nullptr;

    terminate();
    bool typed = false;
    if (kept) {
        try {
            kept->IsWorkflowTraceEnabled();
        } catch (const rzk::ModuleThreadEnded& ended) {
            typed = std::string(ended.what()) == "ProtocolError extracting return value";
        }
        Check(typed, "a blocking call after RZDllTerminate did not throw rzk::ModuleThreadEnded");
    }
    kept = nullptr;
    Check(traceLines > 0, "the runtime's shutdown line did not reach the host's trace sink");
    rzloader::Loader::SetLoader(nullptr);
    loader = nullptr;
    dp::SetTraceSink(nullptr);
    dlclose(library);

    for (const std::string& failure : failures) {
        std::fprintf(stderr, "host-program: %s\n", failure.c_str());
    }
    if (!failures.empty()) {
        return 1;
    }
    std::printf("host-program: two views driven from two threads and shut down as docs/hosting.md says\n");
    return 0;
}
