// What the three programs share on their command lines: --help, --version and usage errors, said
// in one style. PIXELTOOLS_VERSION comes from the build.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "base/printable.h"

namespace command_line {

inline bool IsHelp(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}
inline bool IsVersion(std::string_view arg) {
    return arg == "--version";
}

// Each gives the program's exit status.
inline int ShowHelp(const std::string& usage) {
    std::fputs(usage.c_str(), stdout);
    return 0;
}
inline int ShowVersion(std::string_view program) {
    std::printf("%.*s %s\n", static_cast<int>(program.size()), program.data(), PIXELTOOLS_VERSION);
    return 0;
}
// The message as every error line is, made printable, then where help is found.
inline int UsageError(std::string_view program, std::string_view message) {
    ReportError(program, message);
    std::fprintf(stderr, "Try '%.*s --help' for more information.\n",
                 static_cast<int>(program.size()), program.data());
    return 2;
}

}  // namespace command_line
