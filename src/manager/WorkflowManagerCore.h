#pragma once

#include "du/SmartPtr.h"

namespace animation {
class Engine;
}

namespace workflow {

class AnimationEvent;

// What workflows ask of their manager for animations: completion events and the animation engine.
class WorkflowManagerCore {
public:
    // A new pending event that completes into "MsgAnimationFinished"; the manager manages it. Null when it
    // cannot: the manager is not under management, or is being destroyed.
    virtual AnimationEvent* CreateAnimationEvent(bool forOpenNewShapeViewBase) = 0;
    // Cancels every pending event.
    virtual void CancelAnimationEvents() = 0;
    virtual void OnAnimationEventComplete(AnimationEvent* event) = 0;
    virtual void GetAnimationEngine(du::SmartPtr<animation::Engine>& engine) = 0;

protected:
    ~WorkflowManagerCore() = default;
};

}  // namespace workflow
