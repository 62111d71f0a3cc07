#pragma once

#include "du/SmartPtr.h"

namespace animation {
class Engine;
}

namespace workflow {

class AnimationEvent;

// What workflows ask of their manager for animations: completion events and the animation engine. A
// workflow reaches it with GetManagerCore() (null while the workflow is not installed):
//
//     workflow::WorkflowManagerCore* core = GetManagerCore();
//     du::SmartPtr<animation::Engine> engine;
//     core->GetAnimationEngine(engine);   // a failed lookup is tried again next time: keep the answer
//     if (engine) {
//         engine->Animate(du::SmartPtr<rzk::BaseAsyncEvent>(core->CreateAnimationEvent(false)), 3);
//     }                                   // the workflows hear "MsgAnimationFinished" when it ends
//
// Threads: every operation runs on the manager's thread (the module thread in a host, the test's thread in
// a WorkflowHarness), that is, from a workflow's handlers and callbacks. Ownership: the manager owns the
// interface and the events it makes; a workflow neither keeps the pointer past its removal nor deletes it.
class WorkflowManagerCore {
public:
    // A new pending event that completes into "MsgAnimationFinished"; the manager manages it, and the pointer
    // does not own it (hand it to the engine as a du::SmartPtr at once). Null when it cannot: the manager is
    // not under management, or is being destroyed. Include "observers/AnimationEvent.h" to convert it.
    virtual AnimationEvent* CreateAnimationEvent(bool forOpenNewShapeViewBase) = 0;
    // Cancels every pending event; none of them completes.
    virtual void CancelAnimationEvents() = 0;
    // Called by an event as it completes, to take it off the pending list; not for workflows.
    virtual void OnAnimationEventComplete(AnimationEvent* event) = 0;
    // Fills engine with the animation engine of the loader's animation module, null when there is none (the
    // lookup may wait up to 10 s for a module the loader names but that never appears).
    virtual void GetAnimationEngine(du::SmartPtr<animation::Engine>& engine) = 0;

protected:
    ~WorkflowManagerCore() = default;
};

}  // namespace workflow
