// Reading pixel-data include files: the one reader behind the build-time stream generator and the
// viewer's pictures given on its command line.
//
// The file is made of lines ending in LF or CR LF; blanks and TABs around a line are ignored. Each
// line is one of:
// - blank;
// Lines are at most MaxLineBytes long; a longer line is refused as soon as that many bytes of it
// are seen, so that a file with a huge line costs no more than a short one.
// - a label: any bytes but the blank (code 32), then ":"; an empty label is just ":". The
//   conversion writes the output name there with only the codes 32-47 replaced, so TABs, other
//   control codes and even line feeds may appear: a label may span lines, each free of blanks, up
//   to the one that ends in ":";
// - a "Data" line: the word in any letter case, then a blank or TAB and values separated by
//   commas. Every Data line is one group of values, each value its text without the blanks around
//   it, converted as the embedded value stream converts it.
//
// The first two values are the width and the height. The pixels come in one of two forms, told
// apart by the third value alone: "&H" (either case) and exactly eight hexadecimal digits there
// make the file packed, with one value 0xAARRGGBB per pixel; anything else, unpacked, with four
// values A, R, G, B per pixel. The conversion writes no "&H" in the unpacked form. A packed value
// is handed on as the four values of the unpacked form, so that every reader sees one form.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "pixeldata/line_blocks.h"
#include "pixeldata/value_stream.h"

// What a line must be, for error messages.
inline constexpr std::string_view ExpectedLine =
    "expected a label (a name followed by \":\"), a \"Data\" line or a blank line";

// The longest line read, without its LF (a CR before it counts). The conversion's longest line is
// its label, the output name of at most PATH_MAX (4096) bytes with a few letters spelled out; Data
// lines it writes are below 40 bytes. Four times that leaves room for labels and hand-written Data
// lines of a few hundred values, and stays below LineBlocks' block, so that memory never grows with
// a line.
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
    uint64_t line = 0;        // lines read so far
    uint64_t valueCount = 0;  // as the file holds them: a packed pixel counts once
    uint64_t groupCount = 0;
    bool packed = false;
    uint64_t openLabelLine = 0;  // first line of a label whose ":" has not come yet; 0: none
    std::string openLabel;       // that line
};

// A value of a Data line: its text without the blanks around it, and the number it converts to
// as the embedded value stream converts it. Left uninitialised where made, since the reader makes
// some for every line.
struct IncludeValue {
    const char* text;
    uint32_t length;
    uint32_t number;

    std::string_view Text() const { return {text, length}; }
};

namespace include_file_detail {

// The values "0" to "255", for the four that a packed pixel stands for.
const std::array<IncludeValue, 256>& ByteValues();

inline std::array<IncludeValue, 4> PixelValues(uint32_t pixel) {
    const std::array<IncludeValue, 256>& bytes = ByteValues();
    return {bytes[pixel >> 24], bytes[(pixel >> 16) & 0xFF], bytes[(pixel >> 8) & 0xFF],
            bytes[pixel & 0xFF]};
}

// Whether a value's text marks the packed form: "&H" and exactly eight hexadecimal digits.
bool IsPackedPixel(std::string_view text);

// A value at its place in the file: the first after the size decides the form; in the packed
// form every value after the size is a pixel, handed on as its four values.
template <class Sink>
void PassValue(const IncludeValue& value, IncludeFileReader& reader, Sink& sink) {
    if (reader.valueCount == 2) reader.packed = IsPackedPixel(value.Text());
    if (reader.packed && reader.valueCount >= 2)
        sink.Values(PixelValues(value.number));
    else
        sink.Values({&value, 1});
    ++reader.valueCount;
}

enum class LineKind { Blank, Label, LabelPart, Data, Other };

struct Line {
    LineKind kind = LineKind::Other;
    const char* values = nullptr;  // of a Data line: just after the keyword
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
bool Refuse(const IncludeFileReader& reader, std::string_view line, IncludeFileError& error);
// Fills `error` for `line`, the current one, which is longer than MaxLineBytes; always false.
bool RefuseLongLine(const IncludeFileReader& reader, std::string_view line,
                    IncludeFileError& error);

// The line feed ending the line that starts at `lineStart`, looked for from `p` on and before
// `end`; nullptr when there is none within MaxLineBytes of the line's start.
inline const char* FindLineEnd(const char* lineStart, const char* p, const char* end) {
    const size_t reach = std::min(static_cast<size_t>(end - p),
                                  MaxLineBytes + 1 - static_cast<size_t>(p - lineStart));
    return static_cast<const char*>(std::memchr(p, '\n', reach));
}

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') <= 9;
}

// Reads the values of a Data line from `p`, just after its keyword, to its end at `lineEnd`, the
// full way, and ends the group.
template <class Sink>
void ReadValuesToLineEnd(const char* p, const char* lineEnd, IncludeFileReader& reader,
                         Sink& sink) {
    for (;;) {
        const char* start = p;
        while (p != lineEnd && *p != ',') ++p;
        // The line's last value goes without the CR of a CR LF line end.
        const char* stop = p == lineEnd && p != start && p[-1] == '\r' ? p - 1 : p;
        const std::string_view text = TrimBlanks({start, static_cast<size_t>(stop - start)});
        const IncludeValue value{text.data(), static_cast<uint32_t>(text.size()),
                                 ConvertValue(text)};
        PassValue(value, reader, sink);
        if (p == lineEnd) break;
        ++p;
    }
    sink.EndGroup();
    ++reader.groupCount;
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

// Reads the values of a Data line from `p`, just after its keyword, with a line feed at its end
// and before `end`; gives the place after the line, or nullptr for a line longer than
// MaxLineBytes from `lineStart`. A line of one pixel as the conversion writes it, four plain
// values or one packed value, takes a quick way and goes to the sink at once; any other line goes
// the full way.
template <class Sink>
const char* ReadValues(const char* lineStart, const char* p, const char* end,
                       IncludeFileReader& reader, Sink& sink) {
    uint32_t pixel = 0;
    const char* afterPacked = reader.packed ? ReadPackedLine(p, pixel) : nullptr;
    if (afterPacked != nullptr) {
        sink.Values(PixelValues(pixel));
        ++reader.valueCount;
        sink.EndGroup();
        ++reader.groupCount;
        return afterPacked;
    }
    IncludeValue values[4];
    // In the packed form four plain values are four pixels: only the full way knows that.
    const char* after = reader.packed ? nullptr : p;
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
            reader.valueCount += 4;
            sink.EndGroup();
            ++reader.groupCount;
            return after + 1;
        }
    }
    const auto* newline = FindLineEnd(lineStart, p, end);
    if (newline == nullptr) return nullptr;
    ReadValuesToLineEnd(p, newline, reader, sink);
    return newline + 1;
}

}  // namespace include_file_detail

// Reads `text`, which holds whole lines (only the file's last line may lack its line end), and
// hands the values to `sink` in order: sink.Values(values), with a span of one value or of the
// four of a pixel, and sink.EndGroup() after each Data line.
// False, with `error` filled, at the first line that is none of the known kinds.
template <class Sink>
bool ReadLines(IncludeFileReader& reader, std::string_view text, Sink& sink,
               IncludeFileError& error) {
    using namespace include_file_detail;
    const char* p = text.data();
    const char* const end = p + text.size();
    // The quick way looks for the end of a value without a bound: it takes only the lines that
    // end in a line feed.
    const char* const linesEnd = p + (text.rfind('\n') + 1);
    while (p != end) {
        ++reader.line;
        // The keyword and a blank make a Data line whatever follows, since labels hold no blanks:
        // every line but the first that the conversion writes takes this short way.
        if (reader.openLabelLine == 0 && linesEnd - p > 4 && p[4] == ' ' && IsDataKeyword(p)) {
            const char* after = ReadValues(p, p + 4, linesEnd, reader, sink);
            if (after == nullptr) return RefuseLongLine(reader, {p, MaxLineBytes}, error);
            p = after;
            continue;
        }
        const char* newline = FindLineEnd(p, p, end);
        const char* lineEnd = newline != nullptr ? newline : end;
        const std::string_view line(p, static_cast<size_t>(lineEnd - p));
        if (line.size() > MaxLineBytes) return RefuseLongLine(reader, line, error);
        p = newline != nullptr ? newline + 1 : end;

        const Line l =
            reader.openLabelLine == 0 ? ClassifyLine(line) : Line{ContinueLabel(line), nullptr};
        switch (l.kind) {
            case LineKind::Data:
                ReadValuesToLineEnd(l.values, lineEnd, reader, sink);
                break;
            case LineKind::Label:
                reader.openLabelLine = 0;
                break;
            case LineKind::LabelPart:
                if (reader.openLabelLine == 0) {
                    reader.openLabelLine = reader.line;
                    reader.openLabel = line;
                }
                break;
            case LineKind::Blank:
                break;
            case LineKind::Other:
                return Refuse(reader, line, error);
        }
    }
    return true;
}

// At the end of the file: false, with `error` filled, when a label is still open.
bool FinishLines(const IncludeFileReader& reader, IncludeFileError& error);

// Whether `head`, the start of a file, is that of an include file: it holds a Data line before
// any line of no known kind. The conversion writes one on its second line; other text and binary
// files fail on their first lines.
bool LooksLikeIncludeFile(std::string_view head);

// The value stream form of a file, as the stream generator writes it (value_stream.h).
struct IncludeFileStream {
    std::string bytes;        // packed pixels as their four values
    uint64_t valueCount = 0;  // as the file holds them
    uint64_t groupCount = 0;
    bool packed = false;
};

// Fills `stream` from the file's text; false, with `error` filled, at the first line that is
// none of the known kinds.
bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error);

// Empty when `valueCount` is exactly the 2 + 4 x width x height values that the size calls for
// (2 + width x height when packed; a size below 1 calls for no pixels); otherwise a sentence
// giving both counts.
std::string ValueCountMismatch(uint64_t valueCount, int32_t width, int32_t height, bool packed);
// The same for a stream, whose first two values are the width and the height.
std::string ValueCountMismatch(const IncludeFileStream& stream);

enum class DeclaredSize { Fits, NoPixels, TooManyPixels };

struct SizeCheck {
    DeclaredSize verdict = DeclaredSize::Fits;
    std::string problem;  // why no picture is shown, when it does not fit
};

// A width or height below 1 makes no picture; more than DefaultPixelLimit pixels are refused
// before anything is allocated for them. The message gives the values as the file writes them
// (`widthText`, `heightText`) where those are given and read as other numbers: 3037000500 is
// read as the 32-bit -1257966796.
SizeCheck CheckDeclaredSize(int32_t width, int32_t height, std::string_view widthText = {},
                            std::string_view heightText = {});

// Why a file read whole looks cut short: the conversion ends every line with CR LF, the last one
// too, so a file that is empty or stops inside a line most likely lost its end, though its values
// may still look complete.
std::optional<std::string> TruncationHint(uint64_t bytes, bool endsInLineEnd);

enum class IncludeFileStatus { Read, CannotRead, Malformed };

struct IncludeFileRead {
    IncludeFileStatus status = IncludeFileStatus::Read;
    std::string problem;       // CannotRead: the system's reason
    IncludeFileError error;    // Malformed: the line
    IncludeFileReader reader;  // how far the reading came, with its counts
    std::optional<std::string> truncation;
};

// Reads the file at `path` block by block into `sink`, as ReadLines does, until its end or until
// sink.Stopped() after a block.
template <class Sink>
IncludeFileRead ReadIncludeFileAt(const std::string& path, Sink& sink) {
    IncludeFileRead read;
    LineBlocks blocks(path);
    for (std::string_view block; !(block = blocks.Next()).empty() && !sink.Stopped();) {
        if (!ReadLines(read.reader, block, sink, read.error)) {
            read.status = IncludeFileStatus::Malformed;
            return read;
        }
    }
    if (blocks.Error() != 0) {
        read.status = IncludeFileStatus::CannotRead;
        read.problem = std::strerror(blocks.Error());
    } else if (!sink.Stopped() && !FinishLines(read.reader, read.error)) {
        read.status = IncludeFileStatus::Malformed;
    } else {
        read.truncation = TruncationHint(blocks.BytesRead(), blocks.EndsInLineEnd());
    }
    return read;
}

// Reads `text`, a whole file, into `sink` as ReadIncludeFileAt reads a file holding it.
template <class Sink>
IncludeFileRead ReadIncludeText(std::string_view text, Sink& sink) {
    IncludeFileRead read;
    if (!ReadLines(read.reader, text, sink, read.error) || !FinishLines(read.reader, read.error))
        read.status = IncludeFileStatus::Malformed;
    else
        read.truncation = TruncationHint(text.size(), !text.empty() && text.back() == '\n');
    return read;
}

// The file at `path` in value stream form, as the stream generator writes it.
IncludeFileRead ReadIncludeFileStream(const std::string& path, IncludeFileStream& stream);
