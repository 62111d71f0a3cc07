#include "rzk/ShapeScene.h"

#include "rzk/EventValues.h"
#include "rzk/ShapeSceneObserver.h"

namespace rzk {

ShapeScene::ShapeScene() : observers_(new ObserverRegistry) {}

ShapeScene::~ShapeScene() {
    DetachObservers();
}

void ShapeScene::RegisterObserver(ShapeSceneObserver& observer, du::Flags flags, bool) {
    observers_->Register(observer, flags);
}

void ShapeScene::DetachObservers() {
    observers_->DetachAll(Observer::DETACH_SUBJECT);
}

std::size_t ShapeScene::GetObserverCount() const {
    return observers_->GetCount();
}

void ShapeScene::PostBeginUpdate() {
    observers_->Post(
        Observer::BEGIN_UPDATE, [](dom::MessageWriter&) {}, true);
}

void ShapeScene::PostEndUpdate() {
    observers_->Post(
        Observer::END_UPDATE, [](dom::MessageWriter&) {}, true);
}

void ShapeScene::PostInstance(unsigned char event, const du::SmartPtr<ShapeInstance>& instance) {
    observers_->Post(event, [&](dom::MessageWriter& writer) { events::PushObject(writer, instance); });
}

void ShapeScene::PostShapeInstanceCreate(const du::SmartPtr<ShapeInstance>& instance) {
    PostInstance(ShapeSceneObserver::INSTANCE_CREATE, instance);
}

void ShapeScene::PostShapeInstanceRemove(const du::SmartPtr<ShapeInstance>& instance) {
    PostInstance(ShapeSceneObserver::INSTANCE_REMOVE, instance);
}

void ShapeScene::PostShapeInstanceVisibility(const du::SmartPtr<ShapeInstance>& instance) {
    PostInstance(ShapeSceneObserver::INSTANCE_VISIBILITY, instance);
}

void ShapeScene::PostShapeInstanceMove(const du::SmartPtr<ShapeInstance>& instance) {
    PostInstance(ShapeSceneObserver::INSTANCE_MOVE, instance);
}

void ShapeScene::PostShapeInstanceGeomOverride(const du::SmartPtr<ShapeInstance>& instance,
                                               const du::ConstSmartPtr<GeomOverride>& geomOverride) {
    observers_->Post(ShapeSceneObserver::INSTANCE_GEOM_OVERRIDE, [&](dom::MessageWriter& writer) {
        events::PushObject(writer, instance);
        events::PushObject(writer, geomOverride);
    });
}

void ShapeScene::PostShapeInstanceMarkupOverrideInit(const du::SmartPtr<ShapeInstance>& instance) {
    PostInstance(ShapeSceneObserver::INSTANCE_MARKUP_OVERRIDE_INIT, instance);
}

}  // namespace rzk
