#include "module/EntryPoints.h"

#include <atomic>
#include <string_view>

#include "dom/MessageQueue.h"
#include "dp/ReadWriteLock.h"
#include "module/ActiveModuleThread.h"
#include "module/WorkflowModuleImpl.h"
#include "rzk/View.h"

namespace {

using ModuleThread = rzk::ActiveModuleThread<workflow::WorkflowModuleThread, dom::GenericMessageQueue>;

std::atomic<ModuleThread*> moduleThread{nullptr};

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
    auto* thread = new ModuleThread("workflow", "WorflowmoduleThread");
    ModuleThread* running = nullptr;
    if (!moduleThread.compare_exchange_strong(running, thread)) {
        // Started before: the running thread stays, and a second start fails as it would on that thread.
        delete thread;
        return running->Start(true);
    }
    return thread->Start(true);
}

bool RZDllCreateComponent(const std::string& viewType, const std::string& component,
                          const std::string& library, du::SmartPtr<rzk::ActiveModule>& out) {
    ModuleThread* thread = moduleThread.load();
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
    delete moduleThread.exchange(nullptr);
}
}
