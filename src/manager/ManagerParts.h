#pragma once

#include "animation/AnimationModule.h"
#include "dom/Message.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "rzk/AsyncEvent.h"

namespace rzk {
class View;
}

namespace workflow {

class AnimationEvent;
class InputTap;
class WorkflowManager;
class WorkflowManagerImpl;

// What a manager makes through the observer layer: the observers of its view, its animation events and
// the lookup of the animation module. Implemented above the manager; its operations run on the manager's
// thread.
class ManagerObserverFactory {
public:
    // Makes the observers of view for manager and hands each to manager.AddManagedObject, in this order:
    // window (if the view has one), selection (always), 3D view, 2D view, 3D scene, annotation set (each
    // if the view or its scene has it).
    virtual void MakeViewObservers(WorkflowManagerImpl& manager,
                                   const du::SmartPtr<rzk::View>& view) const = 0;

    // A new animation event that holds manager: event is what workflows are given, asHostEvent the same
    // object as the host event that the manager manages and cancels.
    struct NewAnimationEvent {
        AnimationEvent* event = nullptr;
        du::SmartPtr<rzk::BaseAsyncEvent> asHostEvent;
    };
    virtual NewAnimationEvent MakeAnimationEvent(const du::SmartPtr<WorkflowManagerImpl>& manager,
                                                 bool forOpenNewShapeViewBase) const = 0;

    // The animation module registered with the host loader under (world, library, component), or null.
    virtual du::SmartPtr<animation::AnimationModule> LoadAnimationModule(
        const du::Symbol& world, const du::Symbol& library, const du::Symbol& component) const = 0;

protected:
    ~ManagerObserverFactory() = default;
};

// Decodes a host call that reached manager through its proxy, and calls the operation; the calls a replay
// makes again go to tap first. Implemented by the remote layer; runs on the manager's thread.
class ManagerMessageDecoder {
public:
    virtual void Decode(const dom::MessagePtr& message, du::SmartPtr<WorkflowManager> manager,
                        const InputTap* tap) const = 0;

protected:
    ~ManagerMessageDecoder() = default;
};

// The parts every manager uses. The module sets them while the library loads, before any manager exists
// (and the test harness again when it starts); a manager reads them when it needs them. Without parts a
// manager makes no observers or animation events and returns every host call to its sender: the parts are
// always set in a built library, so that is only a safe default.
struct ManagerParts {
    const ManagerObserverFactory* observers = nullptr;
    const ManagerMessageDecoder* decoder = nullptr;
};

// Any thread; parts outlive every manager (they are the upper layers' static objects).
void SetManagerParts(const ManagerParts& parts);
// Any thread.
ManagerParts GetManagerParts();

}  // namespace workflow
