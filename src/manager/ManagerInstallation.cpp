// Installation and removal of workflows by name and by priority.
#include <stdexcept>
#include <string>

#include "manager/WorkflowManagerImpl.h"
#include "rzk/View.h"
#include "rzloader/Loader.h"
#include "workflows/Workflow.h"

namespace workflow {
namespace {

const du::Symbol& InvalidNameText() {
    static const du::Symbol text("invalid workflow name");
    return text;
}
const du::Symbol& LoadFailedText() {
    static const du::Symbol text("couldn't load workflow");
    return text;
}
const du::Symbol& NoSuchNameText() {
    static const du::Symbol text("There is no installed workflow with this name.");
    return text;
}
const du::Symbol& NoSuchPriorityText() {
    static const du::Symbol text("There is no workflow at this priority.");
    return text;
}
const du::Symbol& WorkflowCategory() {
    static const du::Symbol category("workflow");
    return category;
}

}  // namespace

void WorkflowManagerImpl::AddWorkflow(const du::Symbol& name, bool persistent) {
    if (Emptied()) {
        return;
    }
    if (name.IsNull()) {
        ReportWorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0, false, InvalidNameText());
    } else {
        InstallWorkflowByName(name, 0, persistent);
    }
    UpdateStatusMsg();
}

void WorkflowManagerImpl::AddWorkflowAtPriority(const du::Symbol& name, unsigned int priority,
                                                bool persistent) {
    if (Emptied()) {
        return;
    }
    if (name.IsNull()) {
        RemoveWorkflowByPriority(priority);
    } else {
        InstallWorkflowByName(name, priority, persistent);
    }
    UpdateStatusMsg();
}

void WorkflowManagerImpl::InstallWorkflowByName(const du::Symbol& name, unsigned int priority,
                                                bool persistent) {
    if (!view_ || !MayEnter(name)) {
        return;  // the loader needs the view's type; a manager being emptied may take no such workflow
    }
    du::Symbol replacedName = du::Symbol::EMPTY;
    if (priority != 0) {
        auto occupied = stack_.Find(priority);
        if (occupied != stack_.end()) {
            // Asking again for what is already there reloads nothing.
            if (occupied->workflow->GetWorkflowName() == name) {
                return;
            }
            replacedName = occupied->workflow->GetWorkflowName();
            UninstallWorkflow(occupied, false);
        }
    }
    du::SmartPtr<Workflow> workflow = LoadWorkflow(name);
    if (!workflow) {
        return;  // a workflow replaced above stays removed
    }
    workflow->SetPersistent(persistent);
    if (priority != 0) {
        workflow->SetPriority(priority);
    }
    // A workflow at its own priority is replaced on entering, as is one that refilled an explicit priority.
    EnterWorkflow(workflow, workflow->GetPriority(), replacedName);
}

du::SmartPtr<Workflow> WorkflowManagerImpl::LoadWorkflow(const du::Symbol& name) {
    du::SmartPtr<du::RefCounted> made;
    if (du::SmartPtr<rzloader::Loader> loader = rzloader::Loader::GetLoader()) {
        // Only the object counts; the loader's own answer is not consulted.
        loader->LoadModule(view_ ? view_->GetViewType() : du::Symbol::EMPTY, WorkflowCategory(), name, made);
    }
    if (!made) {
        ReportWorkflowChange(du::Symbol::EMPTY, name, 0, false, LoadFailedText());
        return nullptr;
    }
    // A component of another class is silently ignored.
    return du::DynamicPtrCast<Workflow>(made);
}

void WorkflowManagerImpl::RemoveWorkflowByName(const du::Symbol& name) {
    if (Emptied()) {
        return;
    }
    auto entry = FindWorkflowByName(name);
    if (entry == stack_.end()) {
        ReportWorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, 0, false, NoSuchNameText());
    } else {
        UninstallWorkflow(entry, true);
    }
    UpdateStatusMsg();
}

void WorkflowManagerImpl::RemoveWorkflowByPriority(unsigned int priority) {
    if (Emptied()) {
        return;
    }
    auto entry = stack_.Find(priority);
    if (entry != stack_.end()) {
        UninstallWorkflow(entry, true);
    } else {
        ReportWorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, priority, false, NoSuchPriorityText());
    }
    UpdateStatusMsg();
}

void WorkflowManagerImpl::SetWorkflowPersistent(unsigned int priority, bool persistent) {
    if (Emptied()) {
        return;
    }
    auto entry = stack_.Find(priority);
    if (entry != stack_.end()) {
        if (entry->workflow->GetPersistent() != persistent) {
            Tap().Record(FlightRecord::StackChange(FlightRecord::Kind::Persisted,
                                                   entry->workflow->GetWorkflowName(), priority,
                                                   entry->serial, persistent));
        }
        entry->workflow->SetPersistent(persistent);
    } else {
        ReportWorkflowChange(du::Symbol::EMPTY, du::Symbol::EMPTY, priority, false, NoSuchPriorityText());
    }
}

du::Symbol WorkflowManagerImpl::FindWorkflow(unsigned int priority) {
    auto entry = stack_.Find(priority);
    if (entry == stack_.end()) {
        return du::Symbol::EMPTY;
    }
    if (!entry->workflow) {
        throw std::logic_error(
            "workflow::Manager::FindWorkflow(unsifned int priority) - NULL pointer found in "
            "workflow map at priority " +
            std::to_string(priority) + ".");
    }
    return entry->workflow->GetWorkflowName();
}

}  // namespace workflow
