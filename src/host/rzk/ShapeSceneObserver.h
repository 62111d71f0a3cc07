#pragma once

#include "dom/Message.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "rzk/Observer.h"
#include "rzk/SceneObjects.h"

namespace rzk {

// Base of the observers of a 3D scene's shape instances. The scene posts its events (ShapeScene::Post...)
// and this class decodes them, on the observer's own queue thread, into the callbacks below, which do
// nothing by default. A scene brackets a batch of changes with BEGIN_UPDATE and END_UPDATE (see Observer)
// for observers that use update batches.
//
// The scene's events, as message tags and their values (each instance or override one object pointer;
// null travels as null):
//   16 INSTANCE_CREATE                instance            -> OnShapeInstanceCreate
//   17 INSTANCE_REMOVE                instance            -> OnShapeInstanceRemove
//   18 INSTANCE_VISIBILITY            instance            -> OnShapeInstanceVisibility
//   19 INSTANCE_MOVE                  instance            -> OnShapeInstanceMove
//   20 INSTANCE_GEOM_OVERRIDE         instance, override  -> OnShapeInstanceGeomOverride
//   21 INSTANCE_MARKUP_OVERRIDE_INIT  instance            -> OnShapeInstanceMarkupOverrideInit
class RZHOST_API ShapeSceneObserver : public Observer {
public:
    static constexpr unsigned char INSTANCE_CREATE = 16;
    static constexpr unsigned char INSTANCE_REMOVE = 17;
    static constexpr unsigned char INSTANCE_VISIBILITY = 18;
    static constexpr unsigned char INSTANCE_MOVE = 19;
    static constexpr unsigned char INSTANCE_GEOM_OVERRIDE = 20;
    static constexpr unsigned char INSTANCE_MARKUP_OVERRIDE_INIT = 21;

    ~ShapeSceneObserver() override;

    // Queue thread only.
    bool EventHandler(unsigned char event, dom::MessageReader& reader) override;

    // Queue thread only, like every callback below.
    virtual void OnShapeInstanceCreate(const du::SmartPtr<ShapeInstance>& instance);
    virtual void OnShapeInstanceRemove(const du::SmartPtr<ShapeInstance>& instance);
    virtual void OnShapeInstanceVisibility(const du::SmartPtr<ShapeInstance>& instance);
    virtual void OnShapeInstanceMove(const du::SmartPtr<ShapeInstance>& instance);
    virtual void OnShapeInstanceGeomOverride(const du::SmartPtr<ShapeInstance>& instance,
                                             const du::ConstSmartPtr<GeomOverride>& geomOverride);
    virtual void OnShapeInstanceMarkupOverrideInit(const du::SmartPtr<ShapeInstance>& instance);

protected:
    ShapeSceneObserver();
};

}  // namespace rzk
