#include "rzloader/Loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

namespace rzloader {
namespace {

// The process-wide slot of the installed loader.
struct Installed {
    std::mutex lock;
    du::SmartPtr<Loader> loader;
};

Installed& InstalledLoader() {
    static Installed installed;
    return installed;
}

// Runs the entry point of the library at file with loader. The library is never closed once its entry
// point has run: the factories it registered, and what they made, execute its code.
bool LoadPlugin(Loader& loader, const std::string& file, std::string& why) {
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        why = reason ? reason : file + ": cannot be loaded";
        return false;
    }
    void* symbol = dlsym(handle, Loader::PLUGIN_ENTRY_POINT);
    if (!symbol) {
        dlclose(handle);
        why = file + ": has no entry point " + Loader::PLUGIN_ENTRY_POINT;
        return false;
    }
    reinterpret_cast<RegisterComponentsFunction>(symbol)(&loader);
    return true;
}

void AppendLine(std::string* error, const std::string& line) {
    if (!error) {
        return;
    }
    if (!error->empty()) {
        *error += '\n';
    }
    *error += line;
}

}  // namespace

const du::Symbol Loader::ANY_VIEW_TYPE("*");

Loader::Loader() = default;
Loader::~Loader() = default;

du::SmartPtr<Loader> Loader::GetLoader() {
    Installed& installed = InstalledLoader();
    std::lock_guard guard(installed.lock);
    return installed.loader;
}

void Loader::SetLoader(const du::SmartPtr<Loader>& loader) {
    Installed& installed = InstalledLoader();
    du::SmartPtr<Loader> previous = loader;
    std::lock_guard guard(installed.lock);
    std::swap(installed.loader, previous);
    // previous, released after the guard, may be the last reference: its destructor runs unlocked.
}

bool Loader::LoadModule(const du::Symbol& viewType, const du::Symbol& category, const du::Symbol& name,
                        du::SmartPtr<du::RefCounted>& result) {
    ComponentFactory factory;
    {
        std::lock_guard guard(lock_);
        auto found = factories_.find(Key(viewType, category, name));
        if (found == factories_.end()) {
            found = factories_.find(Key(ANY_VIEW_TYPE, category, name));
        }
        if (found != factories_.end()) {
            factory = found->second;
        }
    }
    result = factory ? factory() : du::SmartPtr<du::RefCounted>();
    return !result.IsNull();
}

std::vector<du::Symbol> Loader::GetNames(const du::Symbol& viewType, const du::Symbol& category) const {
    std::vector<du::Symbol> names;
    {
        std::lock_guard guard(lock_);
        for (const auto& entry : factories_) {
            const auto& [type, keyCategory, name] = entry.first;
            if (keyCategory == category && (type == viewType || type == ANY_VIEW_TYPE)) {
                names.push_back(name);
            }
        }
    }
    std::sort(names.begin(), names.end(),
              [](const du::Symbol& a, const du::Symbol& b) { return a.ToString() < b.ToString(); });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

void Loader::RegisterFactory(const du::Symbol& viewType, const du::Symbol& category, const du::Symbol& name,
                             ComponentFactory factory) {
    ComponentFactory replaced;
    std::lock_guard guard(lock_);
    Key key(viewType, category, name);
    auto found = factories_.find(key);
    if (found != factories_.end()) {
        replaced = std::move(found->second);
        factories_.erase(found);
    }
    if (factory) {
        factories_.emplace(std::move(key), std::move(factory));
    }
}

bool Loader::LoadPlugins(const std::string& path, std::string* error) {
    namespace fs = std::filesystem;
    if (error) {
        error->clear();
    }
    std::error_code failure;
    std::vector<std::string> files;
    if (fs::is_directory(path, failure)) {
        for (fs::directory_iterator it(path, failure), end; !failure && it != end; it.increment(failure)) {
            std::error_code unreadable;  // a dangling link is skipped, not an end of the listing
            if (it->path().extension() == ".so" && it->is_regular_file(unreadable)) {
                files.push_back(it->path().string());
            }
        }
        std::sort(files.begin(), files.end());
        if (files.empty()) {
            AppendLine(error, path + ": no plug-in library in this directory");
        }
    } else if (fs::exists(path, failure)) {
        // A name without a slash would make dlopen search the library path instead of taking this file.
        files.push_back(path.find('/') == std::string::npos ? "./" + path : path);
    } else {
        AppendLine(error, path + ": no such file or directory");
    }

    bool loaded = false;
    for (const std::string& file : files) {
        std::string why;
        if (LoadPlugin(*this, file, why)) {
            loaded = true;
        } else {
            AppendLine(error, why);
        }
    }
    return loaded;
}

}  // namespace rzloader
