#pragma once

#include <type_traits>
#include <utility>

#include "du/SmartPtr.h"
#include "messages/Export.h"
#include "messages/Msg.h"

namespace workflow {

class Workflow;

// "MsgWorkflowChanged": a workflow was added to or removed from the manager's stack at a priority.
// The message holds its own reference to the workflow.
//
// Taking and dropping that reference needs the complete Workflow class, which lives a layer above the
// messages. So every member that touches the reference is inline and compiled only where it is used: where
// the message is made, copied or destroyed, places (the manager, the workflows, workflow plug-ins) that
// include "workflows/Workflow.h" anyway. The constructor and SetWorkflow are templates for that reason
// alone: W is always Workflow (it is never deduced), and their bodies are compiled at the call, so that
// this header compiles on its own.
//
// Threads: a value, as every message (see Msg); the workflow's reference count is atomic.
class WORKFLOW_API WorkflowChangedMsg : public Msg {
public:
    template <class W = Workflow>
    WorkflowChangedMsg(const du::Symbol& name, du::SmartPtr<std::type_identity_t<W>> workflow,
                       unsigned int priority, bool added)
        : Msg(name), workflow_(std::move(workflow)), priority_(priority), added_(added) {}
    WorkflowChangedMsg(const WorkflowChangedMsg& other) = default;
    WorkflowChangedMsg(WorkflowChangedMsg&& other) noexcept = default;
    WorkflowChangedMsg& operator=(const WorkflowChangedMsg& other) = default;
    WorkflowChangedMsg& operator=(WorkflowChangedMsg&& other) noexcept = default;
    ~WorkflowChangedMsg() = default;

    const du::SmartPtr<Workflow>& GetWorkflow() const { return workflow_; }
    unsigned int GetPriority() const { return priority_; }
    bool GetAdd() const { return added_; }
    template <class W = Workflow>
    void SetWorkflow(const du::SmartPtr<std::type_identity_t<W>>& workflow) {
        workflow_ = workflow;
    }
    void SetPriority(unsigned int priority) { priority_ = priority; }
    void SetAdd(bool added) { added_ = added; }

private:
    du::SmartPtr<Workflow> workflow_;
    unsigned int priority_;
    bool added_;
};

}  // namespace workflow
