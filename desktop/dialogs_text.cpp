// The pure parts of the desktop boundary: filter texts, glob patterns, text encoding, names.
#include <algorithm>
#include <cstdint>

#include "base/text_encoding.h"
#include "desktop/dialogs.h"

namespace {

// Windows-1252 codes 0x80-0x9F; 0 marks the five codes the code page leaves undefined.
constexpr uint16_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::vector<std::string> SplitPatterns(std::string_view list) {
    std::vector<std::string> patterns;
    while (!list.empty()) {
        const size_t end = std::min(list.find(';'), list.size());
        if (end > 0) patterns.emplace_back(list.substr(0, end));
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return patterns;
}

// The next NUL-ended piece of `text`, removed from it.
std::string_view TakePiece(std::string_view& text) {
    const size_t end = std::min(text.find('\0'), text.size());
    const std::string_view piece = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    return piece;
}

}  // namespace

std::string Windows1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x80 || code >= 0xA0) {
            out += EncodeUtf8(code);
        } else {
            const uint16_t mapped = HighControls[code - 0x80];
            out += EncodeUtf8(mapped ? mapped : 0xFFFD);
        }
    }
    return out;
}

std::string BoxText(std::string_view text) {
    std::string bounded(text);
    if (text.size() > static_cast<size_t>(BoxTextLimit)) {
        // One byte is one character in the system's code page; 0x85 is its ellipsis.
        const size_t kept = BoxTextLimit / 2 - 1;
        bounded = std::string(text.substr(0, kept)) + '\x85' +
                  std::string(text.substr(text.size() - kept));
    }
    std::string utf8 = Windows1252ToUtf8(bounded);
    for (size_t at = utf8.find("\r\n"); at != std::string::npos; at = utf8.find("\r\n", at))
        utf8.erase(at, 1);
    return utf8;
}

std::string BoxDetail(std::string_view detail) {
    return ShortenedInMiddle(detail, BoxTextLimit);
}

std::vector<FileFilter> ParseFilterText(std::string_view filter) {
    std::vector<FileFilter> filters;
    while (!filter.empty()) {
        const std::string_view description = TakePiece(filter);
        if (description.empty()) break;  // the closing second NUL
        filters.push_back({std::string(description), SplitPatterns(TakePiece(filter))});
    }
    return filters;
}

std::string CaseInsensitivePattern(std::string_view pattern) {
    if (pattern == "*.*") return "*";  // the system's "every file", with or without a dot
    std::string out;
    for (const char c : pattern) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (lower || upper) {
            out += '[';
            out += static_cast<char>(lower ? c - 32 : c);
            out += static_cast<char>(lower ? c : c + 32);
            out += ']';
        } else if (c == '[') {
            out += "[[]";  // a literal bracket, as the system's patterns have no sets
        } else {
            out += c;
        }
    }
    return out;
}

std::string WithDefaultExtension(std::string path, std::string_view extension) {
    if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (extension.empty() || path.find('.', nameStart) != std::string::npos) return path;
    return path + "." + std::string(extension);
}
