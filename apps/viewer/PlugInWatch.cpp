#include "PlugInWatch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <system_error>

namespace viewer {

void PlugInWatch::Add(const std::string& path) {
    const std::optional<Stamp> now = Look(path);
    files_.push_back({path, now, now, Clock::time_point()});
}

std::vector<std::string> PlugInWatch::Changed(Clock::time_point now) {
    std::vector<std::string> changed;
    for (File& file : files_) {
        const std::optional<Stamp> stamp = Look(file.path);
        if (stamp != file.seen) {
            file.seen = stamp;
            file.since = now;
            continue;
        }
        if (stamp && stamp != file.loaded && now - file.since >= settle_) {
            file.loaded = stamp;
            changed.push_back(file.path);
        }
    }
    return changed;
}

std::optional<PlugInWatch::Stamp> PlugInWatch::Look(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    const std::int64_t modified =
        static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec;
    return Stamp{static_cast<std::uintmax_t>(status.st_size), modified,
                 static_cast<std::uintmax_t>(status.st_ino)};
}

std::optional<std::string> FreshCopy(const std::string& path, const std::string& dir, std::string& copy) {
    static std::atomic<unsigned> made{0};
    const std::filesystem::path from(path);
    const std::filesystem::path to =
        std::filesystem::path(dir) /
        (std::to_string(::getpid()) + "-" + std::to_string(++made) + "-" + from.filename().string());
    std::error_code error;
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
        return "cannot copy " + path + " to " + to.string() + ": " + error.message();
    }
    copy = to.string();
    return std::nullopt;
}

}  // namespace viewer
