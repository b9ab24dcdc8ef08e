#include "screen/file_uri.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace screen_internal {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::optional<int> HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

// The path part of a file URI: after "file://" comes a host (empty or localhost) and the path;
// "file:/" has no host. Nothing for another host.
std::optional<std::string_view> PathPart(std::string_view uri) {
    uri.remove_prefix(std::string_view("file:").size());
    if (!uri.starts_with("//")) return uri.starts_with("/") ? std::optional(uri) : std::nullopt;
    uri.remove_prefix(2);
    if (StartsWithIgnoringCase(uri, "localhost/"))
        uri.remove_prefix(std::string_view("localhost").size());
    return uri.starts_with("/") ? std::optional(uri) : std::nullopt;
}

std::string PercentDecoded(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escape = text[i] == '%' && i + 2 < text.size();
        const std::optional<int> high = escape ? HexDigit(text[i + 1]) : std::nullopt;
        const std::optional<int> low = high ? HexDigit(text[i + 2]) : std::nullopt;
        if (low && (*high | *low) != 0) {
            out += static_cast<char>(*high * 16 + *low);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string LocalPathOf(std::string_view item) {
    while (!item.empty() && (item.back() == '\r' || item.back() == '\n')) item.remove_suffix(1);
    while (!item.empty() && (item.front() == '\r' || item.front() == '\n')) item.remove_prefix(1);
    if (!StartsWithIgnoringCase(item, "file:")) return std::string(item);
    const std::optional<std::string_view> path = PathPart(item);
    return path ? PercentDecoded(*path) : std::string(item);
}

}  // namespace screen_internal
