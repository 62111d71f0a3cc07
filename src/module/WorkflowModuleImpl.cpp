#include "module/WorkflowModuleImpl.h"

#include <sstream>

#include "dp/Process.h"
#include "manager/WorkflowManagerImpl.h"
#include "remote/WorkflowModuleDispatcher.h"
#include "rzk/View.h"
#include "rzk/WorkflowManager.h"

namespace workflow {

WorkflowModuleImpl::WorkflowModuleImpl() = default;

WorkflowModuleImpl::~WorkflowModuleImpl() = default;

du::SmartPtr<rzk::WorkflowManager> WorkflowModuleImpl::CreateManager(const du::SmartPtr<rzk::View>& view) {
    du::SmartPtr<WorkflowManagerImpl> manager(new WorkflowManagerImpl);
    manager->SetView(view);
    // Being managed makes the manager set itself up for the view (observers, timeout) on this thread.
    ManageObject(du::SmartPtr<dom::ManagedObject>(manager.Get()));
    return du::SmartPtr<rzk::WorkflowManager>(manager.Get());
}

std::int16_t WorkflowModuleImpl::BaseClassOffsetByName(const du::Symbol& className) const {
    return OffsetOfClass(className);
}

int WorkflowModuleImpl::GetBaseClassCount() const {
    return BASE_CLASS_COUNT;
}

std::int16_t WorkflowModuleImpl::GetBaseClassParent(int index) const {
    return ParentOfBaseClass(index);
}

du::Symbol WorkflowModuleImpl::GetBaseClass(int index) const {
    return BaseClassAt(index);
}

void WorkflowModuleImpl::HandleMessage(const dom::MessagePtr& message) {
    DispatchWorkflowModuleMessage(message, du::SmartPtr<WorkflowModule>(this));
}

void WorkflowModuleImpl::HandleTimeoutEvent(std::int64_t) {}

void WorkflowModuleImpl::OnManage() {}

WorkflowModuleThread::WorkflowModuleThread() = default;

WorkflowModuleThread::~WorkflowModuleThread() = default;

const du::Symbol& WorkflowModuleThread::GetActorName() const {
    std::call_once(actorNameBuilt_, [this] {
        std::ostringstream name;
        name << "Workflow Manager";
        name << " For Process " << dp::Process::GetCurrentProcId();
        actorName_ = du::Symbol(name.str());
    });
    return actorName_;
}

}  // namespace workflow
