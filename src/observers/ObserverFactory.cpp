#include "observers/ObserverFactory.h"

#include "manager/WorkflowManagerImpl.h"
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

class Factory final : public ManagerObserverFactory {
public:
    void MakeViewObservers(WorkflowManagerImpl& manager, const du::SmartPtr<rzk::View>& view) const override {
        if (view) {
            du::SmartPtr<rzk::Window> window;
            view->GetWindow(window);
            if (window) {
                manager.AddManagedObject(
                    du::SmartPtr<dom::ManagedObject>(new WindowObserver(view, &manager)));
            }
        }
        manager.AddManagedObject(du::SmartPtr<dom::ManagedObject>(new SelectionObserver(view, &manager)));
        if (auto shapeView = du::DynamicPtrCast<rzk::ShapeView>(view)) {
            manager.AddManagedObject(
                du::SmartPtr<dom::ManagedObject>(new ShapeViewObserver(shapeView, &manager)));
        }
        if (auto drawingView = du::DynamicPtrCast<rzk::DrawingView>(view)) {
            manager.AddManagedObject(
                du::SmartPtr<dom::ManagedObject>(new DrawingViewObserver(drawingView, &manager)));
        }
        du::SmartPtr<rzk::Scene> scene;
        if (view) {
            view->GetScene(scene);
        }
        if (scene) {
            if (auto shapeScene = du::DynamicPtrCast<rzk::ShapeScene>(scene)) {
                manager.AddManagedObject(
                    du::SmartPtr<dom::ManagedObject>(new ShapeSceneObserver(shapeScene, &manager)));
            }
            du::SmartPtr<rzk::AnnoSet> annotations;
            scene->GetAnnoSet(annotations);
            if (annotations) {
                manager.AddManagedObject(
                    du::SmartPtr<dom::ManagedObject>(new AnnoSetObserver(annotations, &manager)));
            }
        }
    }

    NewAnimationEvent MakeAnimationEvent(const du::SmartPtr<WorkflowManagerImpl>& manager,
                                         bool forOpenNewShapeViewBase) const override {
        du::SmartPtr<AnimationEvent> event(new AnimationEvent(manager, forOpenNewShapeViewBase));
        return NewAnimationEvent{event.Get(), du::SmartPtr<rzk::BaseAsyncEvent>(event.Get())};
    }

    du::SmartPtr<animation::AnimationModule> LoadAnimationModule(const du::Symbol& world,
                                                                 const du::Symbol& library,
                                                                 const du::Symbol& component) const override {
        return workflow::LoadAnimationModule(world, library, component);
    }
};

}  // namespace

const ManagerObserverFactory& ViewObserverFactory() {
    static const Factory factory;
    return factory;
}

}  // namespace workflow
