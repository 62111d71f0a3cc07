#pragma once

#include "du/SmartPtr.h"
#include "messages/TypedMessages.h"
#include "rzk/SceneObjects.h"
#include "rzk/ShapeScene.h"
#include "rzk/ShapeSceneObserver.h"

namespace workflow {

class Msg;
class WorkflowManagerImpl;

// Turns the changes of a 3D scene's shape instances into messages: creation, removal, visibility and
// markup overrides at once; moves collected between the scene's begin and end of an update and sent as
// one "MsgMoveShapeInstance" listing every moved instance in arrival order.
class ShapeSceneObserver : public rzk::ShapeSceneObserver {
public:
    ShapeSceneObserver(const du::SmartPtr<rzk::ShapeScene>& scene, WorkflowManagerImpl* manager);
    ~ShapeSceneObserver() override;

    // Queue thread only, like every callback below.
    void OnManage() override;
    bool UsesUpdateBatches() override;
    void DetachSubject() override;
    void DetachManager() override;
    void OnBeginUpdate() override;
    void OnEndUpdate() override;
    void OnShapeInstanceCreate(const du::SmartPtr<rzk::ShapeInstance>& instance) override;
    void OnShapeInstanceRemove(const du::SmartPtr<rzk::ShapeInstance>& instance) override;
    void OnShapeInstanceVisibility(const du::SmartPtr<rzk::ShapeInstance>& instance) override;
    void OnShapeInstanceMove(const du::SmartPtr<rzk::ShapeInstance>& instance) override;
    void OnShapeInstanceGeomOverride(const du::SmartPtr<rzk::ShapeInstance>& instance,
                                     const du::ConstSmartPtr<rzk::GeomOverride>& geomOverride) override;
    void OnShapeInstanceMarkupOverrideInit(const du::SmartPtr<rzk::ShapeInstance>& instance) override;

private:
    // Records message for the flight recorder and dispatches it, if there still is a manager.
    void Deliver(const Msg& message);
    void SendInstance(const du::Symbol& name, const du::SmartPtr<rzk::ShapeInstance>& instance);

    WorkflowManagerImpl* manager_;
    du::SmartPtr<rzk::ShapeScene> subject_;
    // The batch being collected; sent itself, so that a repeated end of update repeats the last batch.
    ShapeInstanceMsg pendingMoves_;
};

}  // namespace workflow
