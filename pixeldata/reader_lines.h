// The include-file reader's lines: what kind each is, and the quick ways through the Data lines
// the conversion writes. Part of reader.h; not meant to be used on its own.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pixeldata/picture_values.h"
#include "pixeldata/value_stream.h"

// What a line must be, for error messages.
inline constexpr std::string_view ExpectedLine =
    "expected a label (a name followed by \":\"), a \"Data\" line or a blank line";

// The longest line read, without its LF (a CR before it counts). The conversion's longest line is
// its label, the output name of at most PATH_MAX (4096) bytes with a few letters spelled out; Data
// lines it writes are below 260 bytes. Four times that leaves room for labels and hand-written
// Data lines of a few hundred values, and stays below LineBlocks' block, so that memory never
// grows with a line.
inline constexpr size_t MaxLineBytes = 16384;
inline constexpr std::string_view ExpectedShorterLine = "expected a line of at most 16384 bytes";
static_assert(MaxLineBytes == 16384, "the message above says how long");

struct IncludeFileError {
    uint64_t line = 0;  // 1-based
    std::string found;  // the offending line, shortened and with unprintable bytes escaped
    std::string_view expected = ExpectedLine;
};

// Where a reading stands, carried from one block of lines to the next.
struct IncludeFileReader {
    uint64_t line = 0;           // lines read so far
    uint64_t dataLines = 0;      // every Data line
    uint64_t groupCount = 0;     // Data lines whose values went to the sink
    uint64_t openLabelLine = 0;  // first line of a label whose ":" has not come yet; 0: none
    std::string openLabel;       // that line

    // A label (or REM line) after the values of a whole picture begins the next one; elsewhere
    // labels give nothing.
    std::optional<uint64_t> wanted;   // the picture whose values go to the sink; none: all
    uint64_t pictures = 0;            // begun so far
    std::vector<std::string> labels;  // each picture's, as its last label before it names it
    std::string label;                // the last label's name
    bool labelSinceData = false;
    PictureValues values;    // of the picture being read
    PictureValues reported;  // of the wanted one (the first when all are), once it is over
};

namespace include_file_detail {

enum class LineKind { Blank, Label, LabelPart, Remark, Data, Other };

struct Line {
    LineKind kind = LineKind::Other;
    const char* values = nullptr;  // of a Data line: just after the keyword
    std::string_view name;         // of a label or REM line
};

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

inline std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Whether the four bytes at `p` are "data" in any letter case: setting bit 5 turns only "D", "A"
// and "T" into the lower-case letters.
inline bool IsDataKeyword(const char* p) {
    static_assert(std::endian::native == std::endian::little);
    uint32_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return (word | 0x20202020) == ('d' | 'a' << 8 | 't' << 16 | uint32_t{'a'} << 24);
}

// `line` without its LF; a CR before the LF is dropped here.
Line ClassifyLine(std::string_view line);

// The kind of a line that continues an open label.
LineKind ContinueLabel(std::string_view line);

// Fills `error` for the open label if there is one, else for `line`; always false.
bool Refuse(const IncludeFileReader& reader, std::string_view line, IncludeFileError& error,
            std::string_view expected = ExpectedLine);
// Fills `error` for `line`, the current one, which is longer than MaxLineBytes; always false.
bool RefuseLongLine(const IncludeFileReader& reader, std::string_view line,
                    IncludeFileError& error);

// A label or REM line: the next Data line may begin a new picture.
void NoteLabel(IncludeFileReader& reader, std::string_view name);
// A Data line: begins the next picture if a label came after the values of a whole one. Whether
// its values go to the sink.
bool BeginDataLine(IncludeFileReader& reader);

// Takes the values of pictures that are not wanted.
struct DiscardSink {
    void Values(std::span<const IncludeValue>) {}
    void EndGroup() {}
};

// The line feed ending the line that starts at `lineStart`, looked for from `p` on and before
// `end`; nullptr when there is none within MaxLineBytes of the line's start.
inline const char* FindLineEnd(const char* lineStart, const char* p, const char* end) {
    const size_t reach = std::min(static_cast<size_t>(end - p),
                                  MaxLineBytes + 1 - static_cast<size_t>(p - lineStart));
    return static_cast<const char*>(std::memchr(p, '\n', reach));
}

// The line that starts at `p`, up to the line feed that ends it before `end`.
inline std::string_view LineAt(const char* p, const char* end) {
    const auto* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
    return {p, static_cast<size_t>((newline != nullptr ? newline : end) - p)};
}

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') <= 9;
}

// Reads the values of a Data line from `p`, just after its keyword, to its end at `lineEnd`, the
// full way, and ends the group if any went to the sink. False for a value that cannot be read
// (ExpectedColourCount).
template <class Sink>
bool ReadValuesToLineEnd(const char* p, const char* lineEnd, IncludeFileReader& reader,
                         Sink& sink) {
    const uint64_t passed = reader.values.passed;
    for (;;) {
        const char* start = p;
        while (p != lineEnd && *p != ',') ++p;
        // The line's last value goes without the CR of a CR LF line end.
        const char* stop = p == lineEnd && p != start && p[-1] == '\r' ? p - 1 : p;
        const std::string_view text = TrimBlanks({start, static_cast<size_t>(stop - start)});
        const IncludeValue value{text.data(), static_cast<uint32_t>(text.size()),
                                 ConvertValue(text)};
        if (!PassValue(value, reader.values, sink)) return false;
        if (p == lineEnd) break;
        ++p;
    }
    if (reader.values.passed != passed) {
        sink.EndGroup();
        ++reader.groupCount;
    }
    return true;
}

// Reads a value at `p` the quick way, a digit at a time as the embedded stream is read: a blank at
// most, then one to nine digits, too few to saturate. Gives the place after the digits, or
// nullptr for any other value.
inline const char* ReadPlainValue(const char* p, IncludeValue& value) {
    if (*p == ' ') ++p;
    const char* after = p;
    uint32_t number = 0;
    for (; IsDigit(*after); ++after) number = number * 10 + static_cast<uint32_t>(*after - '0');
    value = {p, static_cast<uint32_t>(after - p), number};
    return value.length >= 1 && value.length <= 9 ? after : nullptr;
}

inline int HexDigit(char c) {
    if (IsDigit(c)) return c - '0';
    const char lower = static_cast<char>(c | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Reads a packed line as the conversion writes it, " &HAARRGGBB" and its line end, at `p`, just
// after the keyword; gives the place after the line, or nullptr for any other line. Every check
// fails on a line feed, so it reads no further than the line's end.
inline const char* ReadPackedLine(const char* p, uint32_t& pixel) {
    if (p[0] != ' ' || p[1] != '&' || (p[2] | 0x20) != 'h') return nullptr;
    pixel = 0;
    for (const char* digit = p + 3; digit != p + 11; ++digit) {
        const int value = HexDigit(*digit);
        if (value < 0) return nullptr;
        pixel = pixel << 4 | static_cast<uint32_t>(value);
    }
    const char* after = p[11] == '\r' ? p + 12 : p + 11;
    return *after == '\n' ? after + 1 : nullptr;
}

template <class Sink>
const char* EndQuickLine(const char* after, IncludeFileReader& reader, Sink& sink) {
    sink.EndGroup();
    ++reader.groupCount;
    return after;
}

// Reads the values of a Data line from `p`, just after its keyword, with a line feed at its end
// and before `end`; gives the place after the line, or nullptr for a line longer than
// MaxLineBytes from `lineStart` or one whose values cannot be read (`refused` then set). A line of
// one pixel as the conversion writes it, four unpacked values or one packed value, takes a quick
// way and goes to the sink at once; any other line goes the full way.
template <class Sink>
const char* ReadValues(const char* lineStart, const char* p, const char* end,
                       IncludeFileReader& reader, Sink& sink, bool& refused) {
    PictureValues& picture = reader.values;
    uint32_t pixel = 0;
    const bool packed = picture.form == ValueForm::Packed;
    const char* afterPacked = packed ? ReadPackedLine(p, pixel) : nullptr;
    if (afterPacked != nullptr) {
        sink.Values(PixelValues(pixel));
        ++picture.valueCount;
        picture.passed += 4;
        return EndQuickLine(afterPacked, reader, sink);
    }
    IncludeValue values[4];
    // In the other forms four plain values are four pixels, or colours, and the size is taken
    // note of: only the full way knows that.
    const char* after =
        picture.form == ValueForm::Unpacked && picture.valueCount >= 2 ? p : nullptr;
    // Unrolled, so that each of the four values has branches of its own, which the processor
    // predicts well where a picture's colours change smoothly.
#if defined(__OPTIMIZE__)  // an unoptimised build would warn that it ignores the hint
#pragma GCC unroll 4
#endif
    for (size_t i = 0; i < 4 && after != nullptr; ++i) {
        after = ReadPlainValue(after, values[i]);
        if (i < 3 && after != nullptr) after = *after == ',' ? after + 1 : nullptr;
    }
    if (after != nullptr) {
        if (*after == '\r') ++after;
        if (*after == '\n') {
            sink.Values(values);
            picture.valueCount += 4;
            picture.passed += 4;
            return EndQuickLine(after + 1, reader, sink);
        }
    }
    const auto* newline = FindLineEnd(lineStart, p, end);
    if (newline == nullptr) return nullptr;
    refused = !ReadValuesToLineEnd(p, newline, reader, sink);
    return refused ? nullptr : newline + 1;
}

}  // namespace include_file_detail
