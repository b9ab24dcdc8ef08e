#include "converter/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "base/text_encoding.h"
#include "base/uri_list.h"

namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

bool IsFileUri(std::string_view line) {
    constexpr std::string_view Scheme = "file://";
    if (line.size() < Scheme.size()) return false;
    for (size_t i = 0; i < Scheme.size(); ++i)
        if ((line[i] | 0x20) != Scheme[i]) return false;  // in either case
    return true;
}

}  // namespace

std::string ExpandHome(std::string path) {
    if (path.empty() || path[0] != '~' || (path.size() > 1 && path[1] != '/')) return path;
    const std::string home = HomeFolder();
    return home.empty() ? path : home + path.substr(1);
}

std::string PathOfPastedLine(std::string_view line) {
    if (!IsFileUri(line)) return std::string(line);
    const std::vector<std::string> paths = LocalPathsOfUriList(line, ThisHostName());
    return paths.empty() ? std::string() : paths.front();
}

std::string ShownPath(std::string_view path) {
    // A short path keeps its bytes, so that a console escapes them as they are; a box makes
    // its texts valid UTF-8 itself.
    if (path.size() <= static_cast<size_t>(ShownPathLimit)) return std::string(path);
    return ShortenedInMiddle(path, ShownPathLimit);
}

std::string WithShownPath(std::string text, std::string_view path) {
    if (path.size() <= static_cast<size_t>(ShownPathLimit)) return text;
    const size_t at = text.find(path);
    if (at != std::string::npos) text.replace(at, path.size(), ShownPath(path));
    return text;
}
