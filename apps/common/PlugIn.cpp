#include "PlugIn.h"

#include <dlfcn.h>

#include <filesystem>

#include "dom/DistinguishedObjects.h"
#include "rzk/AnnoSet.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzloader/Loader.h"

namespace apps {

std::optional<std::string> PlugIn::Open(const std::string& path) {
    library = dlopen(path.c_str(), RTLD_NOW);
    if (!library) {
        return "cannot load the workflow plug-in " + path + ": " + dlerror();
    }
    init = reinterpret_cast<InitFunction>(dlsym(library, "RZDllInit"));
    createComponent = reinterpret_cast<CreateComponentFunction>(dlsym(library, "RZDllCreateComponent"));
    terminate = reinterpret_cast<TerminateFunction>(dlsym(library, "RZDllTerminate"));
    if (!init || !createComponent || !terminate) {
        return path + " lacks the plug-in entry points RZDllInit, RZDllCreateComponent and RZDllTerminate";
    }
    return std::nullopt;
}

std::optional<std::string> PlugIn::FindModule(const rzk::View& view,
                                              du::SmartPtr<rzk::WorkflowModule>& module) const {
    du::SmartPtr<rzk::ActiveModule> record;
    const std::string type = view.GetViewType().ToString();
    if (!createComponent(type, "navigator", "workflow", record) || !record) {
        return "the workflow plug-in offers no navigator for view type " + type;
    }
    module = du::DynamicPtrCast<rzk::WorkflowModule>(
        dom::GetDistinguishedObject(rzk::WorkflowModule::GetClassName(), record->GetActorName(), 10000));
    if (!module) {
        return "the workflow module " + record->GetActorName().ToString() + " cannot be found";
    }
    return std::nullopt;
}

std::optional<std::string> LoadWorkflowPlugIns(rzloader::Loader& loader, const std::string& path,
                                               const std::vector<std::string>& dirs, std::string& loaded) {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (fs::path(path).is_absolute()) {
        candidates.emplace_back(path);
    } else {
        for (const std::string& dir : dirs) {
            candidates.push_back(fs::path(dir) / path);
        }
    }
    for (const fs::path& candidate : candidates) {
        std::error_code ignored;
        if (!fs::exists(candidate, ignored)) {
            continue;
        }
        std::string error;
        if (!loader.LoadPlugins(candidate.string(), &error)) {
            return "no workflow plug-in loaded from " + candidate.string() +
                   (error.empty() ? std::string(" (no plug-in library there)") : ": " + error);
        }
        loaded = candidate.string();
        return std::nullopt;
    }
    return "workflow plug-in not found: " + path;
}

du::SmartPtr<rzk::View> MakeView(const std::string& kind) {
    du::SmartPtr<rzk::View> view;
    if (kind == "shape") {
        du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
        scene->SetWorld(new rzk::World);
        scene->SetSelectionManager(new rzk::SelectionManager);
        scene->SetAnnoSet(new rzk::AnnoSet);
        view = new rzk::ShapeView;
        view->SetScene(scene);
    } else if (kind == "drawing") {
        du::SmartPtr<rzk::Scene> scene(new rzk::Scene);
        scene->SetAnnoSet(new rzk::AnnoSet);
        view = new rzk::DrawingView;
        view->SetScene(scene);
    } else if (kind == "image") {
        view = new rzk::ImageView;
    }
    return view;
}

}  // namespace apps
