#include "workflows/Workflow.h"

#include "manager/WorkflowManagerImpl.h"
#include "rzk/View.h"

namespace workflow {

Workflow::Workflow(const du::Symbol& name) : name_(name) {}

Workflow::Workflow(const Workflow& other) = default;

Workflow& Workflow::operator=(const Workflow& other) = default;

Workflow::~Workflow() {
    scene_ = nullptr;
    window_ = nullptr;
    view_ = nullptr;
}

void Workflow::SetView(const du::SmartPtr<rzk::View>& view) {
    scene_ = nullptr;
    window_ = nullptr;
    view_ = view;
    if (view_) {
        view_->GetScene(scene_);
        view_->GetWindow(window_);
    }
}

void Workflow::SetManager(WorkflowManagerImpl* manager) {
    manager_ = manager;
    if (manager_) {
        manager_->UpdateStatusMsg();
    }
}

void Workflow::Complete(bool force) {
    if (persistent_ && !force) {
        return;
    }
    // The manager drops its reference during the removal; ours keeps the object alive until it returned.
    du::SmartPtr<Workflow> self(this);
    if (manager_) {
        manager_->RemoveWorkflowByPriority(GetPriority());
    }
}

bool Workflow::HandleQuery(du::Symbol, du::Symbol&, int&, du::SmartPtr<du::RefCounted>&) {
    return false;
}

void Workflow::HandleTraceString(const std::string&) {}

WorkflowManagerCore* Workflow::GetManagerCore() const {
    return manager_;
}

du::SmartPtr<rzk::PickFilter> Workflow::GetPickFilter() const {
    return view_ ? view_->GetPickFilter() : du::SmartPtr<rzk::PickFilter>();
}

void Workflow::AddWorkflow(const du::SmartPtr<Workflow>& workflow) {
    if (manager_) {
        manager_->InstallWorkflow(workflow);
    }
}

void Workflow::RemoveWorkflow(const du::SmartPtr<Workflow>& workflow) {
    if (manager_ && workflow) {
        manager_->RemoveWorkflowByPriority(workflow->GetPriority());
    }
}

du::SmartPtr<Workflow> Workflow::FindWorkflow(unsigned int priority) {
    return manager_ ? manager_->GetWorkflow(priority) : du::SmartPtr<Workflow>();
}

void Workflow::SendMessage(const Msg& message) {
    if (manager_) {
        manager_->DispatchMessage(message);
    }
}

void Workflow::SendModeMessage(const du::Symbol& workflowName, const du::Symbol& modeString, int modeNumber,
                               const du::SmartPtr<du::RefCounted>& modeObject) {
    if (manager_) {
        manager_->SendModeMessage(workflowName, modeString, modeNumber, modeObject);
    }
}

void Workflow::SendNotification(du::Symbol notification, int value,
                                const du::SmartPtr<du::RefCounted>& data) {
    if (manager_) {
        manager_->SendNotification(name_, notification, value, data);
    }
}

bool Workflow::SendQuery(const du::Symbol& query, du::Symbol& symbol, int& number,
                         du::SmartPtr<du::RefCounted>& object) {
    return manager_ && manager_->QueryWorkflows(query, symbol, number, object);
}

bool Workflow::SetCursor(unsigned int priority, const du::Symbol& cursor) {
    if (!manager_) {
        return false;
    }
    manager_->SetMouseCursor(priority, cursor);
    return true;
}

bool Workflow::GetCurrentCursor(du::Symbol& cursor) const {
    if (!manager_) {
        return false;
    }
    cursor = manager_->GetCurrentCursor();
    return true;
}

bool Workflow::SetCursorPosition(int x, int y) {
    if (!manager_) {
        return false;
    }
    manager_->SetCursorPosition(x, y);
    return true;
}

bool Workflow::SetStatusMessage(int field, const std::string& text) {
    return manager_ && manager_->SetStatusMessage(field, text);
}

void Workflow::UpdateStatusMessage() {
    if (manager_) {
        manager_->UpdateStatusMsg();
    }
}

bool Workflow::SetExclusive(du::Symbol* names, int count) {
    if (!manager_) {
        return false;
    }
    du::SmartPtr<Workflow> self(this);
    return manager_->SetExclusive(self, names, count);
}

void Workflow::UnsetExclusive() {
    if (manager_) {
        du::SmartPtr<Workflow> self(this);
        manager_->UnsetExclusive(self);
    }
}

bool Workflow::ManageObject(const du::SmartPtr<dom::ManagedObject>& object) {
    return manager_ && manager_->ManageObject(object);
}

bool Workflow::IsTraceEnabled() const {
    return manager_ && manager_->IsWorkflowTraceEnabled();
}

void Workflow::OutputTraceString(const std::string& text) {
    if (manager_ && manager_->IsWorkflowTraceEnabled()) {
        // Each line differs (coordinates, keys): interned, a day of tracing would fill the symbol table.
        manager_->OutputTraceString(name_, du::Symbol::Transient(text));
    }
}

}  // namespace workflow
