#include "PlugIn.h"

#include <dlfcn.h>

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

}  // namespace apps
