#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "rzk/ActiveModule.h"
#include "rzk/View.h"
#include "rzk/WorkflowModule.h"

namespace rzloader {
class Loader;
}

// The host kit: what every host program needs around the plug-in's entry points, as docs/hosting.md
// describes it (loading the plug-in and checking its entry points and version, loading workflow plug-ins,
// building a view, finding the module). The project's own hosts use it. Moving the plug-in's manual clock
// and settling is dom::AdvanceTimeAndSettle (dom/Settle.h).
//
//     hostkit::PlugIn plugIn;
//     if (auto error = plugIn.Open("libworkflow.so")) { /* one line: *error */ }
//     plugIn.init();
//     du::SmartPtr<rzk::View> view = hostkit::MakeView("shape");
//     view->SetWindow(new rzk::Window);
//     du::SmartPtr<rzk::WorkflowModule> module;
//     if (auto error = plugIn.FindModule(*view, module)) { /* ... */ }
//     auto manager = module->CreateManager(view);
namespace hostkit {

using InitFunction = bool (*)();
using CreateComponentFunction = bool (*)(const std::string&, const std::string&, const std::string&,
                                         du::SmartPtr<rzk::ActiveModule>&);
using TerminateFunction = void (*)();

// The workflow plug-in as a viewer finds it: a library and its three entry points. Every host program of
// this project loads it this way, so that each one exercises the path a real viewer takes.
struct PlugIn {
    void* library = nullptr;
    InitFunction init = nullptr;
    CreateComponentFunction createComponent = nullptr;
    TerminateFunction terminate = nullptr;

    // Opens the library at path, finds the entry points and checks that RZDllGetVersion answers
    // rzk::PLUGIN_INTERFACE_VERSION; answers the one-line reason when any of it fails.
    // The library stays loaded for the life of the process: the plug-in's objects may outlive a host's
    // references to them. Host thread only.
    std::optional<std::string> Open(const std::string& path);

    // The workflow module the plug-in makes as the navigator of view's type, found under the name it was
    // made with; answers the one-line reason when there is none. Host thread only.
    std::optional<std::string> FindModule(const rzk::View& view,
                                          du::SmartPtr<rzk::WorkflowModule>& module) const;
};

// Loads into loader the workflow plug-ins at path: every library of a folder, or one file. A relative path
// is looked for in each of dirs in turn. Answers the path loaded from in loaded, or the one-line reason
// nothing was loaded. Host thread only.
std::optional<std::string> LoadWorkflowPlugIns(rzloader::Loader& loader, const std::string& path,
                                               const std::vector<std::string>& dirs, std::string& loaded);

// Called with every text the view's status bar is given, after the view has taken it: on the thread that
// sets it, which for the plug-in's status passes is the plug-in's module thread (so guard what it shares
// with host threads, and make no blocking manager call from it).
using StatusCallback = std::function<void(const std::string& text)>;

// A view of kind shape, drawing or image as a viewer builds it: a 3D view gets a scene with a world, a
// selection manager and an annotation set, a drawing view a scene with an annotation set. Null for any
// other kind. With onStatus, the view tells it of every status text instead of the host polling
// GetStatusMessage. Host thread only.
du::SmartPtr<rzk::View> MakeView(const std::string& kind, StatusCallback onStatus = nullptr);

}  // namespace hostkit
