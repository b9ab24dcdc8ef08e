// The outside tools a test needs (image tools, Debian's python3 and its modules): a test fails
// naming the missing ones instead of passing without them. `make deps` installs them all.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>

namespace required_tools_detail {

inline bool Runnable(std::string_view program) {
    if (program.find('/') != std::string_view::npos)
        return ::access(std::string(program).c_str(), X_OK) == 0;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((folder + "/" + std::string(program)).c_str(), X_OK) == 0)
            return true;
    return false;
}

}  // namespace required_tools_detail

inline constexpr const char* DebianPython = "/usr/bin/python3";

// "" when every program (a path, or a name looked up on PATH) runs and DebianPython imports
// every module; else one line naming what is missing.
inline std::string MissingTools(std::initializer_list<std::string_view> programs,
                                std::initializer_list<std::string_view> pythonModules = {}) {
    std::string missing;
    const auto add = [&missing](std::string_view what) {
        missing += (missing.empty() ? "" : ", ") + std::string(what);
    };
    for (std::string_view program : programs)
        if (!required_tools_detail::Runnable(program)) add(program);
    const bool python = required_tools_detail::Runnable(DebianPython);
    for (std::string_view module : pythonModules) {
        const std::string import =
            std::string(DebianPython) + " -c 'import " + std::string(module) + "' >/dev/null 2>&1";
        if (!python || std::system(import.c_str()) != 0)
            add("the Python module " + std::string(module) + " of " + DebianPython);
    }
    return missing.empty() ? "" : "missing " + missing + " (make deps installs them)";
}
