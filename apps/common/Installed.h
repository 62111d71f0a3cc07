#pragma once

#include <filesystem>
#include <string>
#include <system_error>

namespace apps {

// Where a host program finds a library it runs by default: the one installed beside it (bin/../lib, same
// file name) when the program runs from an installed prefix, else builtPath, the build tree's.
inline std::string BesideProgram(const std::string& builtPath) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path installed =
            program.parent_path().parent_path() / "lib" / std::filesystem::path(builtPath).filename();
        if (std::filesystem::is_regular_file(installed, error)) {
            return installed.string();
        }
    }
    return builtPath;
}

}  // namespace apps
