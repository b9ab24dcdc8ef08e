// What the three programs share on their command lines: --help, --version and usage errors, said
// in one style. PIXELTOOLS_VERSION comes from the build.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

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
// `message` is printed as given: callers make untrusted names printable first.
inline int UsageError(std::string_view program, std::string_view message) {
    std::fprintf(stderr, "%.*s: %.*s\nTry '%.*s --help' for more information.\n",
                 static_cast<int>(program.size()), program.data(), static_cast<int>(message.size()),
                 message.data(), static_cast<int>(program.size()), program.data());
    return 2;
}

}  // namespace command_line
