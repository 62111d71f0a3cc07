#include "module/EntryPoints.h"

#include <mutex>
#include <shared_mutex>
#include <string_view>
#include <utility>

#include "dom/MessageQueue.h"
#include "dp/RZTracer.h"
#include "dp/ReadWriteLock.h"
#include "module/ActiveModuleThread.h"
#include "module/WorkflowModuleImpl.h"
#include "rzk/PlugInVersion.h"
#include "rzk/View.h"

namespace {

using ModuleThread = rzk::ActiveModuleThread<workflow::WorkflowModuleThread, dom::GenericMessageQueue>;

// The library-wide module thread. A host may call the entry points from several threads at once, even
// against the rules (a component asked for while another thread terminates): every call that reads the
// pointer holds the lock in shared mode for as long as it uses the object, and RZDllTerminate takes the
// pointer away under the lock in exclusive mode, so the object is destroyed only once no call is in flight
// and no later call can reach it. The object itself is destroyed outside the lock: its module thread may be
// calling an entry point while it ends.
std::shared_mutex moduleThreadLock;
ModuleThread* moduleThread = nullptr;

// The library goes (dlclose, or the end of the process) while its module thread still runs: the host
// skipped RZDllTerminate. The thread is left alone, since ending it here could wait on a host that is
// ending itself, but the host hears of it: later it would fail far from the cause.
struct UnloadCheck {
    UnloadCheck() = default;
    UnloadCheck(const UnloadCheck&) = delete;
    UnloadCheck& operator=(const UnloadCheck&) = delete;
    ~UnloadCheck() {
        std::shared_lock guard(moduleThreadLock);
        if (moduleThread) {
            dp::RZTracer("workflow", "RZDllTerminate")
                .Format(
                    "The workflow plug-in is unloaded while its module thread runs: call RZDllTerminate "
                    "before dlclose\n");
        }
    }
};
const UnloadCheck unloadCheck;

bool IsSupportedViewType(const std::string& viewType) {
    for (const du::Symbol* type :
         {&rzk::ShapeView::ACTOR_TYPE, &rzk::ImageView::ACTOR_TYPE, &rzk::DrawingView::ACTOR_TYPE}) {
        if (viewType == type->View()) {
            return true;
        }
    }
    for (std::string_view type : {"schematicfigureview", "ecadschematicview", "ecadpcbview",
                                  "illustrationview", "illustration2dview"}) {
        if (viewType == type) {
            return true;
        }
    }
    return false;
}

bool Accepts(const std::string& viewType, const std::string& component, const std::string& library) {
    return IsSupportedViewType(viewType) && component == "navigator" && library == "workflow";
}

}  // namespace

extern "C" {

bool RZDllInit() {
    std::unique_lock guard(moduleThreadLock);
    if (moduleThread) {
        // Started before: the running thread stays, and a second start fails as it would on that thread.
        return moduleThread->Start(true);
    }
    moduleThread = new ModuleThread("workflow", "WorflowmoduleThread");
    return moduleThread->Start(true);
}

bool RZDllCreateComponent(const std::string& viewType, const std::string& component,
                          const std::string& library, du::SmartPtr<rzk::ActiveModule>& out) {
    std::shared_lock inFlight(moduleThreadLock);
    ModuleThread* thread = moduleThread;
    if (!thread) {
        return false;
    }
    bool accepted = false;
    {
        dp::ReadGuard guard(thread->GetLock());
        accepted = Accepts(viewType, component, library);
    }
    if (!accepted) {
        return false;
    }
    du::Symbol actorName;
    {
        dp::ReadGuard guard(thread->GetLock());
        actorName = thread->GetModule().GetActorName();
    }
    out = new rzk::ActiveModule(actorName);
    return true;
}

void RZDllTerminate() {
    ModuleThread* thread = nullptr;
    {
        std::unique_lock guard(moduleThreadLock);
        std::swap(thread, moduleThread);
    }
    delete thread;
}

int RZDllGetVersion() {
    return rzk::PLUGIN_INTERFACE_VERSION;
}
}
