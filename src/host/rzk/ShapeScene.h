#pragma once

#include <cstddef>

#include "du/Flags.h"
#include "du/HostExport.h"
#include "du/SmartPtr.h"
#include "rzk/ObserverRegistry.h"
#include "rzk/Scene.h"
#include "rzk/SceneObjects.h"

namespace rzk {

class ShapeSceneObserver;

// The scene of a 3D view: shape instances placed in a world. It is the source of the scene's change
// events: a host (or a test) reports each change with a Post call, which posts it to every registered
// observer's queue (see ShapeSceneObserver for the events):
//
//     scene->PostBeginUpdate();               // observers using update batches get OnBeginUpdate
//     scene->PostShapeInstanceMove(instance);
//     scene->PostEndUpdate();
class RZHOST_API ShapeScene : public Scene {
public:
    ShapeScene();
    ~ShapeScene() override;

    // Puts observer on this scene's list, leaving the subject it watched before. flags and option are kept
    // for the host's interface: every observer gets every event. The observer's queue thread only.
    void RegisterObserver(ShapeSceneObserver& observer, du::Flags flags, bool option);
    // Every observer gets DetachSubject, and the list is emptied. Any thread.
    void DetachObservers();
    // Any thread.
    std::size_t GetObserverCount() const;

    // Change events, each posted to every registered observer. Any thread.
    void PostBeginUpdate();
    void PostEndUpdate();
    void PostShapeInstanceCreate(const du::SmartPtr<ShapeInstance>& instance);
    void PostShapeInstanceRemove(const du::SmartPtr<ShapeInstance>& instance);
    void PostShapeInstanceVisibility(const du::SmartPtr<ShapeInstance>& instance);
    void PostShapeInstanceMove(const du::SmartPtr<ShapeInstance>& instance);
    void PostShapeInstanceGeomOverride(const du::SmartPtr<ShapeInstance>& instance,
                                       const du::ConstSmartPtr<GeomOverride>& geomOverride);
    void PostShapeInstanceMarkupOverrideInit(const du::SmartPtr<ShapeInstance>& instance);

private:
    void PostInstance(unsigned char event, const du::SmartPtr<ShapeInstance>& instance);

    const du::SmartPtr<ObserverRegistry> observers_;
};

}  // namespace rzk
