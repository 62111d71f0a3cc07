#pragma once

#include "du/SmartPtr.h"
#include "messages/Export.h"
#include "messages/Msg.h"

namespace workflow {

class Workflow;

// "MsgWorkflowChanged": a workflow was added to or removed from the manager's stack at a priority.
// The message holds its own reference to the workflow.
class WORKFLOW_API WorkflowChangedMsg : public Msg {
public:
    WorkflowChangedMsg(const du::Symbol& name, du::SmartPtr<Workflow> workflow, unsigned int priority,
                       bool added);
    WorkflowChangedMsg(const WorkflowChangedMsg& other);
    WorkflowChangedMsg(WorkflowChangedMsg&& other) noexcept;
    WorkflowChangedMsg& operator=(const WorkflowChangedMsg& other);
    WorkflowChangedMsg& operator=(WorkflowChangedMsg&& other) noexcept;
    ~WorkflowChangedMsg();

    const du::SmartPtr<Workflow>& GetWorkflow() const { return workflow_; }
    unsigned int GetPriority() const { return priority_; }
    bool GetAdd() const { return added_; }
    void SetWorkflow(const du::SmartPtr<Workflow>& workflow);
    void SetPriority(unsigned int priority) { priority_ = priority; }
    void SetAdd(bool added) { added_ = added; }

private:
    du::SmartPtr<Workflow> workflow_;
    unsigned int priority_;
    bool added_;
};

}  // namespace workflow
