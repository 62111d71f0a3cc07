#include "ViewState.h"

#include <cstdio>

#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"

namespace apps {

std::string CameraText(const rzk::Camera& camera) {
    char text[160];
    std::snprintf(text, sizeof text, "yaw %.2f pitch %.2f zoom %.4f pan %.2f %.2f", camera.GetYaw(),
                  camera.GetPitch(), camera.GetZoom(), camera.GetPanX(), camera.GetPanY());
    return text;
}

std::string SelectionText(const rzk::View& view) {
    du::SmartPtr<rzk::Scene> scene;
    view.GetScene(scene);
    du::SmartPtr<rzk::SelectionManager> selection;
    if (scene) {
        scene->GetSelectionManager(selection);
    }
    std::string text;
    if (selection) {
        for (unsigned int id : selection->GetInstances()) {
            text += (text.empty() ? "" : " ") + std::to_string(id);
        }
    }
    return text.empty() ? "none" : text;
}

void ShareDocument(const rzk::View& first, rzk::View& view) {
    du::SmartPtr<rzk::Scene> from;
    du::SmartPtr<rzk::Scene> to;
    first.GetScene(from);
    view.GetScene(to);
    if (!from || !to) {
        return;
    }
    du::SmartPtr<rzk::World> world;
    du::SmartPtr<rzk::SelectionManager> selection;
    from->GetWorld(world);
    from->GetSelectionManager(selection);
    if (world) {
        to->SetWorld(world);
    }
    if (selection) {
        to->SetSelectionManager(selection);
    }
}

}  // namespace apps
