#include "observers/ShapeSceneObserver.h"

#include "manager/WorkflowManagerImpl.h"
#include "messages/ConstStrings.h"

namespace workflow {
namespace {

// The scene's registration options: every kind of instance change, with update batches.
constexpr du::Flags SCENE_EVENTS = 15;

}  // namespace

ShapeSceneObserver::ShapeSceneObserver(const du::SmartPtr<rzk::ShapeScene>& scene,
                                       WorkflowManagerImpl* manager)
    : manager_(manager), subject_(scene), pendingMoves_(ConstStrings::MsgMoveShapeInstance) {}

ShapeSceneObserver::~ShapeSceneObserver() = default;

void ShapeSceneObserver::OnManage() {
    if (subject_) {
        subject_->RegisterObserver(*this, SCENE_EVENTS, true);
    }
}

bool ShapeSceneObserver::UsesUpdateBatches() {
    return true;
}

void ShapeSceneObserver::DetachSubject() {
    if (subject_) {
        Unregister();
        subject_ = nullptr;
    }
}

void ShapeSceneObserver::DetachManager() {
    manager_ = nullptr;
}

void ShapeSceneObserver::Deliver(const Msg& message) {
    if (manager_) {
        du::SmartPtr<WorkflowManagerImpl> manager(manager_);
        manager->Tap().Record(FlightRecord::Scene(message.GetName()));
        manager->DispatchMessage(message);
    }
}

void ShapeSceneObserver::SendInstance(const du::Symbol& name,
                                      const du::SmartPtr<rzk::ShapeInstance>& instance) {
    if (instance) {
        Deliver(ShapeInstanceMsg(name, instance));
    }
}

void ShapeSceneObserver::OnShapeInstanceCreate(const du::SmartPtr<rzk::ShapeInstance>& instance) {
    SendInstance(ConstStrings::MsgShapeInstanceCreate, instance);
}

void ShapeSceneObserver::OnShapeInstanceRemove(const du::SmartPtr<rzk::ShapeInstance>& instance) {
    SendInstance(ConstStrings::MsgShapeInstanceRemove, instance);
}

void ShapeSceneObserver::OnShapeInstanceVisibility(const du::SmartPtr<rzk::ShapeInstance>& instance) {
    SendInstance(ConstStrings::MsgShapeInstanceVisibility, instance);
}

void ShapeSceneObserver::OnShapeInstanceMove(const du::SmartPtr<rzk::ShapeInstance>& instance) {
    if (instance) {
        pendingMoves_.GetShapeInstances().push_back(instance);
    }
}

void ShapeSceneObserver::OnBeginUpdate() {
    pendingMoves_.GetShapeInstances().clear();
}

void ShapeSceneObserver::OnEndUpdate() {
    // The batch stays until the next begin of an update: moves reported outside a bracket join it.
    if (!pendingMoves_.GetShapeInstances().empty()) {
        Deliver(pendingMoves_);
    }
}

void ShapeSceneObserver::OnShapeInstanceGeomOverride(
    const du::SmartPtr<rzk::ShapeInstance>& instance,
    const du::ConstSmartPtr<rzk::GeomOverride>& geomOverride) {
    du::ConstSmartPtr<rzk::GeomMarkupOverride> markup(
        dynamic_cast<const rzk::GeomMarkupOverride*>(geomOverride.Get()));
    if (markup) {
        Deliver(
            ShapeInstanceMarkupOverrideMsg(ConstStrings::MsgShapeInstanceMarkupOverride, instance, markup));
    }
}

void ShapeSceneObserver::OnShapeInstanceMarkupOverrideInit(const du::SmartPtr<rzk::ShapeInstance>& instance) {
    if (instance) {
        Deliver(
            ShapeInstanceMarkupOverrideInitMsg(ConstStrings::MsgShapeInstanceMarkupOverrideInit, instance));
    }
}

}  // namespace workflow
