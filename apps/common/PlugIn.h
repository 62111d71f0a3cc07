#pragma once

#include <optional>
#include <string>

#include "du/SmartPtr.h"
#include "rzk/ActiveModule.h"

namespace apps {

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

    // Opens the library at path and finds the entry points; answers the one-line reason when either fails.
    // The library stays loaded for the life of the process: the plug-in's objects may outlive a host's
    // references to them. Host thread only.
    std::optional<std::string> Open(const std::string& path);
};

}  // namespace apps
