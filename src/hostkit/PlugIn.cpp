#include "hostkit/PlugIn.h"

#include <dlfcn.h>
#include <link.h>

#include <filesystem>

#include "dom/DistinguishedObjects.h"
#include "rzk/AnnoSet.h"
#include "rzk/PlugInVersion.h"
#include "rzk/Scene.h"
#include "rzk/SelectionManager.h"
#include "rzk/ShapeScene.h"
#include "rzloader/Loader.h"

namespace hostkit {
namespace {

// The loader lists one failure a line; an error of a host program is one line.
std::string FirstLine(const std::string& text) {
    const std::size_t end = text.find('\n');
    return end == std::string::npos ? text
                                    : text.substr(0, end) + (end + 1 < text.size() ? " (and more)" : "");
}

// A view that tells the host of every status text it is given.
template <class ViewClass>
class StatusReportingView : public ViewClass {
public:
    explicit StatusReportingView(StatusCallback onStatus) : onStatus_(std::move(onStatus)) {}

    void SetStatusMessage(const std::string& text) override {
        ViewClass::SetStatusMessage(text);
        onStatus_(text);
    }

private:
    const StatusCallback onStatus_;
};

template <class ViewClass>
du::SmartPtr<rzk::View> NewView(StatusCallback onStatus) {
    if (!onStatus) {
        return du::SmartPtr<rzk::View>(new ViewClass);
    }
    return du::SmartPtr<rzk::View>(new StatusReportingView<ViewClass>(std::move(onStatus)));
}

}  // namespace

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
    // dlsym searches the libraries the named one depends on as well: a library that merely links the
    // plug-in would pass for it.
    link_map* own = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &own) != 0 || !own) {
        return "cannot inspect the workflow plug-in " + path + ": " + dlerror();
    }
    for (void* entry : {reinterpret_cast<void*>(init), reinterpret_cast<void*>(createComponent),
                        reinterpret_cast<void*>(terminate)}) {
        Dl_info info;
        link_map* definedIn = nullptr;
        if (dladdr1(entry, &info, reinterpret_cast<void**>(&definedIn), RTLD_DL_LINKMAP) == 0 ||
            definedIn != own) {
            return path +
                   " does not itself define the plug-in entry points RZDllInit, RZDllCreateComponent and "
                   "RZDllTerminate (a library it depends on does): name the plug-in library itself";
        }
    }
    // A plug-in built for another version of the host interface would read the host's objects wrongly.
    const auto version = reinterpret_cast<int (*)()>(dlsym(library, "RZDllGetVersion"));
    const int built = version ? version() : 0;
    if (built != rzk::PLUGIN_INTERFACE_VERSION) {
        return path + " was built for version " + std::to_string(built) +
               " of the workflow plug-in interface, this host for version " +
               std::to_string(rzk::PLUGIN_INTERFACE_VERSION) + ": use the plug-in of the same release";
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
                   (error.empty() ? std::string(" (no plug-in library there)") : ": " + FirstLine(error));
        }
        // A folder is refused for a broken library in it as a file is: a session must not go on without
        // the workflows it was meant to have.
        if (!error.empty()) {
            return "a workflow plug-in in " + candidate.string() + " cannot be loaded: " + FirstLine(error);
        }
        loaded = candidate.string();
        return std::nullopt;
    }
    std::string looked;
    for (const fs::path& candidate : candidates) {
        looked += (looked.empty() ? "" : ", ") + candidate.lexically_normal().string();
    }
    return "workflow plug-in not found: " + path + " (looked for " + looked + ")";
}

du::SmartPtr<rzk::View> MakeView(const std::string& kind, StatusCallback onStatus) {
    du::SmartPtr<rzk::View> view;
    if (kind == "shape") {
        du::SmartPtr<rzk::ShapeScene> scene(new rzk::ShapeScene);
        scene->SetWorld(new rzk::World);
        scene->SetSelectionManager(new rzk::SelectionManager);
        scene->SetAnnoSet(new rzk::AnnoSet);
        view = NewView<rzk::ShapeView>(std::move(onStatus));
        view->SetScene(scene);
    } else if (kind == "drawing") {
        du::SmartPtr<rzk::Scene> scene(new rzk::Scene);
        scene->SetAnnoSet(new rzk::AnnoSet);
        view = NewView<rzk::DrawingView>(std::move(onStatus));
        view->SetScene(scene);
    } else if (kind == "image") {
        view = NewView<rzk::ImageView>(std::move(onStatus));
    }
    return view;
}

}  // namespace hostkit
