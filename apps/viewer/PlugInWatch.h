#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viewer {

// Watches the plug-in files a person loaded for a new build. A file counts as changed once what the file
// system says of it (its size, its modification time, the file it is) differs from what was seen at the
// last load, and has then stayed the same for a settling time, so that a linker still writing it is not
// read half-done. Host thread only.
class PlugInWatch {
public:
    using Clock = std::chrono::steady_clock;

    explicit PlugInWatch(Clock::duration settle = std::chrono::milliseconds(300)) : settle_(settle) {}

    // Starts watching path as it is now.
    void Add(const std::string& path);
    // The watched paths that changed and have settled by now, each once per change: what was seen of them
    // becomes what the next change is measured against. A file that is missing for a moment (a build that
    // deletes before it writes) is waited for.
    std::vector<std::string> Changed(Clock::time_point now);
    bool Empty() const { return files_.empty(); }

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::int64_t modified = 0;  // nanoseconds of the file clock
        std::uintmax_t inode = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct File {
        std::string path;
        std::optional<Stamp> loaded;  // as seen at the last load
        std::optional<Stamp> seen;    // as last looked at
        Clock::time_point since;      // when seen was first looked at
    };
    static std::optional<Stamp> Look(const std::string& path);

    Clock::duration settle_;
    std::vector<File> files_;
};

// Copies the plug-in at path to a new file in dir, named after it, so that the loader opens the new build
// even though the one before stays loaded (a loaded library is never opened twice under one name). copy
// receives the new file's path; the one-line reason when it cannot be made. The caller removes the copy
// once it is loaded: the mapping outlives the name.
std::optional<std::string> FreshCopy(const std::string& path, const std::string& dir, std::string& copy);

}  // namespace viewer
