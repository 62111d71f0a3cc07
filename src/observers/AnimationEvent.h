#pragma once

#include "animation/AnimationModule.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "messages/Export.h"
#include "rzk/AsyncEvent.h"

namespace workflow {

class WorkflowManagerImpl;

// The event a workflow hands to an animation it starts (WorkflowManagerCore::CreateAnimationEvent): when the
// animation module completes it, the manager's workflows hear "MsgAnimationFinished" and, for an event
// made for a newly opened shape view, "MsgAnimationFinishedForOpenNewSahpeViewBase" right after. The
// event holds its manager, so the manager lives at least as long as a pending event; the completion runs on
// the manager's queue.
class WORKFLOW_API AnimationEvent : public rzk::AsyncEvent {
public:
    AnimationEvent(const du::SmartPtr<WorkflowManagerImpl>& manager, bool forOpenNewShapeViewBase);
    ~AnimationEvent() override;

    // Queue thread only.
    void OnComplete() override;

private:
    du::SmartPtr<WorkflowManagerImpl> manager_;
    bool forOpenNewShapeViewBase_;
};

// The animation module registered with the host loader under (world, library, component), found by the
// actor name in the loader's record; null when there is no loader, no record, no actor name, or no
// animation module under that name within 10 s. Any thread.
WORKFLOW_API du::SmartPtr<animation::AnimationModule> LoadAnimationModule(const du::Symbol& world,
                                                                          const du::Symbol& library,
                                                                          const du::Symbol& component);

}  // namespace workflow
