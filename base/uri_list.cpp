#include "base/uri_list.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>

namespace {

constexpr std::string_view FileScheme = "file://";

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = Lower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

// The bytes `path` stands for; none for a malformed escape or a control character, written or
// escaped, or a query or fragment.
std::optional<std::string> Decoded(std::string_view path) {
    std::string out;
    for (size_t i = 0; i < path.size(); ++i) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (IsControl(byte) || byte == '?' || byte == '#') return std::nullopt;
        if (byte != '%') {
            out += path[i];
            continue;
        }
        const int high = i + 2 < path.size() ? HexValue(path[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(path[i + 2]) : -1;
        if (low < 0 || IsControl(static_cast<unsigned char>(high << 4 | low))) return std::nullopt;
        out += static_cast<char>(high << 4 | low);
        i += 2;
    }
    return out;
}

std::optional<std::string> LocalPath(std::string_view uri, std::string_view hostName) {
    if (uri.size() < FileScheme.size() ||
        !SameIgnoringCase(uri.substr(0, FileScheme.size()), FileScheme))
        return std::nullopt;
    uri.remove_prefix(FileScheme.size());
    const size_t slash = uri.find('/');
    if (slash == std::string_view::npos) return std::nullopt;
    const std::string_view host = uri.substr(0, slash);
    if (!host.empty() && !SameIgnoringCase(host, "localhost") && !SameIgnoringCase(host, hostName))
        return std::nullopt;
    return Decoded(uri.substr(slash));
}

}  // namespace

std::vector<std::string> LocalPathsOfUriList(std::string_view uriList, std::string_view hostName) {
    std::vector<std::string> paths;
    while (!uriList.empty()) {
        const size_t end = std::min(uriList.find('\n'), uriList.size());
        std::string_view line = uriList.substr(0, end);
        uriList.remove_prefix(std::min(end + 1, uriList.size()));
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        if (std::optional<std::string> path = LocalPath(line, hostName))
            paths.push_back(std::move(*path));
    }
    return paths;
}

std::string ThisHostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}
