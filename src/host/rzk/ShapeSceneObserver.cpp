#include "rzk/ShapeSceneObserver.h"

#include "rzk/EventValues.h"

namespace rzk {

ShapeSceneObserver::ShapeSceneObserver() = default;
ShapeSceneObserver::~ShapeSceneObserver() = default;

bool ShapeSceneObserver::EventHandler(unsigned char event, dom::MessageReader& reader) {
    if (event < FIRST_SUBJECT_EVENT) {
        return Observer::EventHandler(event, reader);
    }
    du::SmartPtr<ShapeInstance> instance;
    if (!events::ReadObject(reader, instance)) {
        return false;
    }
    switch (event) {
        case INSTANCE_CREATE:
            OnShapeInstanceCreate(instance);
            return true;
        case INSTANCE_REMOVE:
            OnShapeInstanceRemove(instance);
            return true;
        case INSTANCE_VISIBILITY:
            OnShapeInstanceVisibility(instance);
            return true;
        case INSTANCE_MOVE:
            OnShapeInstanceMove(instance);
            return true;
        case INSTANCE_GEOM_OVERRIDE: {
            du::ConstSmartPtr<GeomOverride> geomOverride;
            if (!events::ReadObject(reader, geomOverride)) {
                return false;
            }
            OnShapeInstanceGeomOverride(instance, geomOverride);
            return true;
        }
        case INSTANCE_MARKUP_OVERRIDE_INIT:
            OnShapeInstanceMarkupOverrideInit(instance);
            return true;
        default:
            return false;
    }
}

void ShapeSceneObserver::OnShapeInstanceCreate(const du::SmartPtr<ShapeInstance>&) {}
void ShapeSceneObserver::OnShapeInstanceRemove(const du::SmartPtr<ShapeInstance>&) {}
void ShapeSceneObserver::OnShapeInstanceVisibility(const du::SmartPtr<ShapeInstance>&) {}
void ShapeSceneObserver::OnShapeInstanceMove(const du::SmartPtr<ShapeInstance>&) {}
void ShapeSceneObserver::OnShapeInstanceGeomOverride(const du::SmartPtr<ShapeInstance>&,
                                                     const du::ConstSmartPtr<GeomOverride>&) {}
void ShapeSceneObserver::OnShapeInstanceMarkupOverrideInit(const du::SmartPtr<ShapeInstance>&) {}

}  // namespace rzk
