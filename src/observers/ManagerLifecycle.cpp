// The manager's life with the observers it makes when it comes under management, and the animation events
// it hands to workflows. Kept beside the observers, so that the manager's own files need not know them.
#include <vector>

#include "animation/AnimationModule.h"
#include "animation/Engine.h"
#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"
#include "messages/Msg.h"
#include "observers/AnimationEvent.h"
#include "observers/AnnoSetObserver.h"
#include "observers/SelectionObserver.h"
#include "observers/ShapeSceneObserver.h"
#include "observers/ViewObservers.h"
#include "observers/WindowObserver.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "rzk/ShapeScene.h"
#include "rzk/View.h"
#include "rzk/Window.h"

namespace workflow {
namespace {

// The loader coordinates of the animation module.
const du::Symbol& AnimationWorld() {
    static const du::Symbol world("world");
    return world;
}
const du::Symbol& AnimationLibrary() {
    static const du::Symbol library("animation");
    return library;
}
const du::Symbol& AnimationComponent() {
    static const du::Symbol component("default");
    return component;
}

// How often the manager's timeout ticks, in time units: the status-bar push is timed by it.
constexpr std::int64_t TICK_PERIOD = 100;

}  // namespace

void WorkflowManagerImpl::OnManage() {
    // Coming under management again (after an Unmanage) must not double every event: one set of observers.
    if (observing_) {
        return;
    }
    observing_ = true;
    // Each observer registers with its subject when it comes under this manager's management. A view
    // without some part simply gets fewer observers.
    if (view_) {
        du::SmartPtr<rzk::Window> window;
        view_->GetWindow(window);
        if (window) {
            AddManagedObject(du::SmartPtr<dom::ManagedObject>(new WindowObserver(view_, this)));
        }
    }
    AddManagedObject(du::SmartPtr<dom::ManagedObject>(new SelectionObserver(view_, this)));
    if (auto shapeView = du::DynamicPtrCast<rzk::ShapeView>(view_)) {
        AddManagedObject(du::SmartPtr<dom::ManagedObject>(new ShapeViewObserver(shapeView, this)));
    }
    if (auto drawingView = du::DynamicPtrCast<rzk::DrawingView>(view_)) {
        AddManagedObject(du::SmartPtr<dom::ManagedObject>(new DrawingViewObserver(drawingView, this)));
    }
    du::SmartPtr<rzk::Scene> scene;
    if (view_) {
        view_->GetScene(scene);
    }
    if (scene) {
        if (auto shapeScene = du::DynamicPtrCast<rzk::ShapeScene>(scene)) {
            AddManagedObject(du::SmartPtr<dom::ManagedObject>(new ShapeSceneObserver(shapeScene, this)));
        }
        du::SmartPtr<rzk::AnnoSet> annotations;
        scene->GetAnnoSet(annotations);
        if (annotations) {
            AddManagedObject(du::SmartPtr<dom::ManagedObject>(new AnnoSetObserver(annotations, this)));
        }
    }
    // Locates the animation module now rather than at the first animation.
    du::SmartPtr<animation::Engine> engine;
    GetAnimationEngine(engine);
    AddRecurringTimeout(TICK_PERIOD);
}

AnimationEvent* WorkflowManagerImpl::CreateAnimationEvent(bool forOpenNewShapeViewBase) {
    // A manager being destroyed has no reference left to give: an event holding one would destroy it a
    // second time when it goes.
    if (destroying_) {
        return nullptr;
    }
    du::SmartPtr<AnimationEvent> event(
        new AnimationEvent(du::SmartPtr<WorkflowManagerImpl>(this), forOpenNewShapeViewBase));
    // Managed here, the event completes on this manager's thread; the queue's reference keeps it alive. One
    // that cannot be managed (this manager is not) would never complete: it goes here, and nothing keeps it.
    if (!ManageObject(event)) {
        return nullptr;
    }
    animationEvents_.push_back(event.Get());
    return event.Get();
}

void WorkflowManagerImpl::CancelAnimationEvents() {
    // Cancelling may let an event go; each is held for its own call, and the list is emptied first so
    // that nothing reached from a cancellation finds it half walked.
    std::vector<du::SmartPtr<AnimationEvent>> pending(animationEvents_.begin(), animationEvents_.end());
    animationEvents_.clear();
    for (const auto& event : pending) {
        event->Cancel();
    }
}

void WorkflowManagerImpl::OnAnimationEventComplete(AnimationEvent* event) {
    std::erase(animationEvents_, event);
    DispatchMessage(Msg(ConstStrings::MsgAnimationFinished));
}

void WorkflowManagerImpl::GetAnimationEngine(du::SmartPtr<animation::Engine>& engine) {
    // A failed lookup is tried again on the next call.
    if (!animationEngine_) {
        if (du::SmartPtr<animation::AnimationModule> module =
                LoadAnimationModule(AnimationWorld(), AnimationLibrary(), AnimationComponent())) {
            du::SmartPtr<animation::Engine> found;
            module->GetEngine(found);
            if (found) {
                animationEngine_ = du::SmartPtr<du::RefCounted>(found.Get());
            }
        }
    }
    animation::Engine* current = dynamic_cast<animation::Engine*>(animationEngine_.Get());
    if (engine.Get() != current) {
        engine = current;
    }
}

}  // namespace workflow
