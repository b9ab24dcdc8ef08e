#include "viewer/include_file.h"

#include <cstdio>

#include "viewer/value_stream.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// True for a Data line, with `values` set to the text after the keyword.
bool DataValues(std::string_view line, std::string_view& values) {
    constexpr std::string_view keyword = "data";
    if (line.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i) {
        if ((line[i] | 0x20) != keyword[i]) return false;
    }
    if (line.size() > keyword.size() && !IsBlank(line[keyword.size()])) return false;
    values = line.substr(keyword.size());
    return true;
}

bool IsLabel(std::string_view line) {
    if (line.size() < 2 || line.back() != ':') return false;
    for (char c : line) {
        if (IsBlank(c)) return false;
    }
    return true;
}

void AppendGroup(std::string_view values, IncludeFileStream& stream) {
    for (;;) {
        const size_t comma = values.find(',');
        stream.bytes += TrimBlanks(values.substr(0, comma));
        ++stream.valueCount;
        if (comma == std::string_view::npos) break;
        stream.bytes += ValueSeparator;
        values.remove_prefix(comma + 1);
    }
    stream.bytes += GroupEnd;
    ++stream.groupCount;
}

std::string Printable(std::string_view line) {
    constexpr size_t shown = 60;
    std::string text;
    for (char c : line.substr(0, shown)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        }
    }
    if (line.size() > shown) text += "...";
    return text;
}

}  // namespace

bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error) {
    stream = {};
    uint64_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        const std::string_view content = TrimBlanks(line);
        std::string_view values;
        if (content.empty() || IsLabel(content)) continue;
        if (!DataValues(content, values)) {
            error = {lineNumber, Printable(line)};
            return false;
        }
        AppendGroup(values, stream);
    }
    return true;
}

std::string ValueCountMismatch(const IncludeFileStream& stream) {
    ValueStream values = MakeValueStream(stream.bytes);
    const int64_t width = ReadInt(values);
    const int64_t height = ReadInt(values);
    // A width or height below 1 makes no picture, so nothing after the size is read.
    const uint64_t expected =
        width >= 1 && height >= 1 ? 2 + 4 * static_cast<uint64_t>(width * height) : 2;
    if (stream.valueCount == expected) return {};
    return std::to_string(stream.valueCount) + " values, but width " + std::to_string(width) +
           " and height " + std::to_string(height) + " call for " + std::to_string(expected) +
           (stream.valueCount < expected ? "; the missing ones read as 0"
                                         : "; the extra ones are never read");
}
