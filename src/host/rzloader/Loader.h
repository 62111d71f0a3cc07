#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "du/HostExport.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace rzloader {

class Loader;

// Makes a new component each time it is called; null when it cannot.
using ComponentFactory = std::function<du::SmartPtr<du::RefCounted>()>;

// What a plug-in library exports, with C linkage, under the name in Loader::PLUGIN_ENTRY_POINT. The
// loader calls it once per load with itself; the plug-in registers its factories there:
//
//     RZLOADER_PLUGIN_ENTRY void RZRegisterComponents(rzloader::Loader* loader) {
//         loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "measure",
//                                 [] { return du::SmartPtr<du::RefCounted>(new MeasureWorkflow); });
//     }
using RegisterComponentsFunction = void (*)(Loader* loader);
#define RZLOADER_PLUGIN_ENTRY extern "C" __attribute__((visibility("default")))

// The host's module loader: maps (view type, category, name) to component factories. Factories are
// registered directly by the host, or by plug-in libraries that the host points the loader at. One loader
// at a time is installed for the whole process; having none is a normal state, in which nothing loads.
//
// Plug-in libraries stay loaded for the life of the process once their entry point has run, because the
// factories and the components they made run code from them.
class RZHOST_API Loader : public virtual du::RefCounted {
public:
    // A registration under this view type serves every view type that has no registration of its own.
    static const du::Symbol ANY_VIEW_TYPE;
    // The name of the function a plug-in library exports (see RegisterComponentsFunction).
    static constexpr const char* PLUGIN_ENTRY_POINT = "RZRegisterComponents";

    Loader();
    ~Loader() override;

    // The installed loader, null when there is none. Any thread.
    static du::SmartPtr<Loader> GetLoader();
    // Installs loader for the process, replacing the previous one; null uninstalls. Any thread.
    static void SetLoader(const du::SmartPtr<Loader>& loader);

    // Makes a new component for (viewType, category, name) into result: the factory registered for the
    // exact view type, else the one registered for ANY_VIEW_TYPE. result is null when neither exists or
    // the factory made nothing. True when result is not null. The factory runs unlocked, so it may itself
    // load components. Any thread.
    bool LoadModule(const du::Symbol& viewType, const du::Symbol& category, const du::Symbol& name,
                    du::SmartPtr<du::RefCounted>& result);

    // The names LoadModule knows in category for a view of viewType (its own registrations and those under
    // ANY_VIEW_TYPE), in text order, each once: what to tell someone who asked for a name it does not know.
    // Any thread.
    std::vector<du::Symbol> GetNames(const du::Symbol& viewType, const du::Symbol& category) const;

    // Registers factory under (viewType, category, name), replacing any factory there; an empty factory
    // removes the registration. Any thread.
    void RegisterFactory(const du::Symbol& viewType, const du::Symbol& category, const du::Symbol& name,
                         ComponentFactory factory);

    // Loads the plug-in library at path, or every "*.so" file directly in path when it is a directory
    // (in name order), and runs each one's entry point with this loader. Files that do not load or have
    // no entry point are skipped; error, when given, receives one line for each (empty when none was).
    // True when at least one entry point ran. Any thread.
    bool LoadPlugins(const std::string& path, std::string* error = nullptr);

private:
    using Key = std::tuple<du::Symbol, du::Symbol, du::Symbol>;

    mutable std::mutex lock_;
    std::map<Key, ComponentFactory> factories_;
};

}  // namespace rzloader
