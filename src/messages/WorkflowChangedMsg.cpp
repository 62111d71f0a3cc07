#include "messages/WorkflowChangedMsg.h"

#include <utility>

#include "workflows/Workflow.h"

namespace workflow {

// The special members live here because copying the workflow reference needs the complete class.
WorkflowChangedMsg::WorkflowChangedMsg(const du::Symbol& name, du::SmartPtr<Workflow> workflow,
                                       unsigned int priority, bool added)
    : Msg(name), workflow_(std::move(workflow)), priority_(priority), added_(added) {}

WorkflowChangedMsg::WorkflowChangedMsg(const WorkflowChangedMsg& other) = default;

WorkflowChangedMsg::WorkflowChangedMsg(WorkflowChangedMsg&& other) noexcept
    : Msg(std::move(other)),
      workflow_(std::move(other.workflow_)),
      priority_(other.priority_),
      added_(other.added_) {}

WorkflowChangedMsg& WorkflowChangedMsg::operator=(const WorkflowChangedMsg& other) = default;

WorkflowChangedMsg& WorkflowChangedMsg::operator=(WorkflowChangedMsg&& other) noexcept {
    Msg::operator=(std::move(other));
    workflow_ = std::move(other.workflow_);
    priority_ = other.priority_;
    added_ = other.added_;
    return *this;
}

WorkflowChangedMsg::~WorkflowChangedMsg() = default;

void WorkflowChangedMsg::SetWorkflow(const du::SmartPtr<Workflow>& workflow) {
    workflow_ = workflow;
}

}  // namespace workflow
