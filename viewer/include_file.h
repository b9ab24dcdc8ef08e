// Reading pixel-data include files: the one reader behind the build-time stream generator and the
// viewer's pictures given on its command line.
//
// The file is made of lines ending in LF or CR LF; blanks and TABs around a line are ignored. Each
// line is one of:
// - blank;
// - a label: any bytes but the blank (code 32), then ":"; an empty label is just ":". The
//   conversion writes the output name there with only the codes 32-47 replaced, so TABs, other
//   control codes and even line feeds may appear: a label may span lines, each free of blanks, up
//   to the one that ends in ":";
// - a "Data" line: the word in any letter case, then a blank or TAB and values separated by
//   commas. Every Data line is one group of values, each value its text without the blanks around
//   it, converted as the embedded value stream converts it.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "viewer/line_blocks.h"
#include "viewer/value_stream.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct IncludeFileError {
    uint64_t line = 0;  // 1-based
    std::string found;  // the offending line, shortened and with unprintable bytes escaped
};

// What a line must be, for error messages.
inline constexpr std::string_view ExpectedLine =
    "expected a label (a name followed by \":\"), a \"Data\" line or a blank line";

// Where a reading stands, carried from one block of lines to the next.
struct IncludeFileReader {
    uint64_t line = 0;  // lines read so far
    uint64_t valueCount = 0;
    uint64_t groupCount = 0;
    uint64_t openLabelLine = 0;  // first line of a label whose ":" has not come yet; 0: none
    std::string openLabel;       // that line
};

namespace include_file_detail {

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

struct LeadingDigits {
    size_t start = 0;   // 1 after a blank, else 0
    size_t length = 0;  // 1 to 4; 0 when the bytes do not begin so
    uint32_t value = 0;
};

// A blank at most and one to four decimal digits at the start of the eight bytes at `p`, found
// and converted without a branch per byte: a byte is a digit when its high half is 3 both before
// and after adding 6 to it, and the digits, moved to the top of the word behind zeros, are joined
// in pairs, then the pairs. Where the value ends depends on nothing but the load, so that the
// next value can be looked at while this one is still being converted.
inline LeadingDigits ReadLeadingDigits(const char* p) {
    static_assert(std::endian::native == std::endian::little);
    constexpr uint64_t Highs = 0xF0F0F0F0F0F0F0F0;
    constexpr uint64_t Threes = 0x3030303030303030;
    uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    const uint64_t notDigit =
        ((word & Highs) ^ Threes) | (((word + 0x0606060606060606) & Highs) ^ Threes);
    const uint64_t blank = (word & 0xFF) == ' ';
    const auto end = static_cast<size_t>(std::countr_zero(notDigit & ~(blank * 0xFF)) / 8);
    const size_t length = end - blank;
    if (length == 0 || length > 4) return {};
    const auto digits = static_cast<uint32_t>((word << (8 * (8 - end))) >> 32) & 0x0F0F0F0F;
    const uint32_t pairs = digits * 10 + (digits >> 8);
    return {blank, length, (pairs & 0xFF) * 100 + ((pairs >> 16) & 0xFF)};
}

// Reads the values of a Data line from `p`, just after its keyword, to its line feed or `end`,
// the full way, and ends the group.
template <class Sink>
void ReadValuesToLineEnd(const char* p, const char* lineEnd, IncludeFileReader& reader,
                         Sink& sink) {
    for (;;) {
        ++reader.valueCount;
        const char* start = p;
        while (p != lineEnd && *p != ',') ++p;
        if (p != lineEnd) {
            const std::string_view text = TrimBlanks({start, static_cast<size_t>(p - start)});
            sink.Value(text, ConvertValue(text));
            ++p;
            continue;
        }
        // The line's last value, without the CR of a CR LF line end.
        if (p != start && p[-1] == '\r') --p;
        const std::string_view text = TrimBlanks({start, static_cast<size_t>(p - start)});
        sink.Value(text, ConvertValue(text));
        break;
    }
    sink.EndGroup();
    ++reader.groupCount;
}

// Reads the values of a Data line from `p`, just after its keyword; gives the place after the
// line. What the conversion writes takes a quick way: a blank at most, up to four digits, then a
// comma or the line's end (where at least nine bytes are left to look at); anything else the full
// way, from that value on.
template <class Sink>
const char* ReadValues(const char* p, const char* end, IncludeFileReader& reader, Sink& sink) {
    while (end - p > 9) {
        const LeadingDigits found = ReadLeadingDigits(p);
        const char* digits = p + found.start;
        const char* after = digits + found.length;
        if (found.length == 0) break;
        if (*after == ',') {
            sink.Value({digits, found.length}, found.value);
            ++reader.valueCount;
            p = after + 1;
            continue;
        }
        const size_t lineEnd = *after == '\n' ? 0 : *after == '\r' && after[1] == '\n' ? 1 : 2;
        if (lineEnd == 2) break;
        sink.Value({digits, found.length}, found.value);
        ++reader.valueCount;
        sink.EndGroup();
        ++reader.groupCount;
        return after + lineEnd + 1;
    }
    const auto* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
    ReadValuesToLineEnd(p, newline != nullptr ? newline : end, reader, sink);
    return newline != nullptr ? newline + 1 : end;
}

// The places of the bytes among the 32 at `p` that are `c`, or with `c` 0 decimal digits, one
// bit each.
inline uint32_t BytesOf(const char* p, char c) {
#if defined(__SSE2__)
    const auto half = [c](const char* q) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
        if (c != 0) return _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
        const __m128i other = _mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8('0')),
                                           _mm_cmpgt_epi8(bytes, _mm_set1_epi8('9')));
        return ~_mm_movemask_epi8(other) & 0xFFFF;
    };
    return static_cast<uint32_t>(half(p)) | static_cast<uint32_t>(half(p + 16)) << 16;
#else
    uint32_t bits = 0;
    for (uint32_t i = 0; i < 32; ++i) {
        const bool digit = p[i] >= '0' && p[i] <= '9';
        bits |= uint32_t{c != 0 ? p[i] == c : digit} << i;
    }
    return bits;
#endif
}

// The number the one to four digits at `p` write; four bytes are read.
inline uint32_t DigitsValue(const char* p, uint32_t length) {
    uint32_t word = 0;
    std::memcpy(&word, p, sizeof word);
    const uint32_t digits = (word << (8 * (4 - length))) & 0x0F0F0F0F;
    const uint32_t pairs = digits * 10 + (digits >> 8);
    return (pairs & 0xFF) * 100 + ((pairs >> 16) & 0xFF);
}

// A Data line of at most 31 bytes whose values are all a blank at most and digits, as the
// conversion writes them, with 40 bytes readable from `line`: its end, commas and digits are
// found for the whole line at once, so that nothing waits for one value to find the next. Gives
// the place after the line, or nullptr, having read nothing, for any other line.
template <class Sink>
const char* ReadShortLine(const char* line, IncludeFileReader& reader, Sink& sink) {
    const uint32_t newlines = BytesOf(line, '\n');
    if (newlines == 0) return nullptr;
    const auto lineEnd = static_cast<uint32_t>(std::countr_zero(newlines));
    // The values lie after the keyword and before the CR of a CR LF line end.
    const uint32_t valuesEnd = lineEnd - (line[lineEnd - 1] == '\r');
    const uint32_t values = ((uint32_t{1} << valuesEnd) - 1) & ~uint32_t{0xF};
    const uint32_t commas = BytesOf(line, ',') & values;
    // Where each value starts, the end of the values too if the last one is empty.
    const uint32_t starts = uint32_t{1} << 4 | commas << 1;
    const uint32_t blanks = BytesOf(line, ' ') & starts;
    const uint32_t digits = BytesOf(line, 0) & values;
    const uint32_t numbers = digits & ~(digits << 1);
    // Nothing but digits, commas and blanks at the starts, and digits right at each start or
    // after its blank.
    const bool plain =
        (digits | commas | blanks) == values && numbers == ((starts & ~blanks) | blanks << 1);
    if (!plain) return nullptr;
    uint32_t ends = commas | uint32_t{1} << valuesEnd;
    for (uint32_t rest = numbers, start = 4; rest != 0; rest &= rest - 1, ends &= ends - 1) {
        const auto first = static_cast<uint32_t>(std::countr_zero(rest));
        const auto stop = static_cast<uint32_t>(std::countr_zero(ends));
        if (stop - first > 4) {
            ReadValuesToLineEnd(line + start, line + lineEnd, reader, sink);
            return line + lineEnd + 1;
        }
        sink.Value({line + first, stop - first}, DigitsValue(line + first, stop - first));
        ++reader.valueCount;
        start = stop + 1;
    }
    sink.EndGroup();
    ++reader.groupCount;
    return line + lineEnd + 1;
}

}  // namespace include_file_detail

// Reads `text`, which holds whole lines (only the file's last line may lack its line end), and
// hands the values to `sink`: sink.Value(text, number) for each, with the number converted as the
// embedded value stream converts its texts, and sink.EndGroup() after each Data line.
// False, with `error` filled, at the first line that is none of the known kinds.
template <class Sink>
bool ReadLines(IncludeFileReader& reader, std::string_view text, Sink& sink,
               IncludeFileError& error) {
    using namespace include_file_detail;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end) {
        ++reader.line;
        // The keyword and a blank make a Data line whatever follows, since labels hold no blanks:
        // every line but the first that the conversion writes takes this short way.
        if (reader.openLabelLine == 0 && end - p > 4 && p[4] == ' ' && IsDataKeyword(p)) {
            const char* next = end - p >= 40 ? ReadShortLine(p, reader, sink) : nullptr;
            p = next != nullptr ? next : ReadValues(p + 4, end, reader, sink);
            continue;
        }
        const auto* newline = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* lineEnd = newline != nullptr ? newline : end;
        const std::string_view line(p, static_cast<size_t>(lineEnd - p));
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
    std::string bytes;
    uint64_t valueCount = 0;
    uint64_t groupCount = 0;
};

// Fills `stream` from the file's text; false, with `error` filled, at the first line that is
// none of the known kinds.
bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error);

// Empty when `valueCount` is exactly the 2 + 4 x width x height values that the size calls for
// (a size below 1 calls for no pixels); otherwise a sentence giving both counts.
std::string ValueCountMismatch(uint64_t valueCount, int32_t width, int32_t height);
// The same for a stream, whose first two values are the width and the height.
std::string ValueCountMismatch(const IncludeFileStream& stream);

enum class DeclaredSize { Fits, NoPixels, TooManyPixels };

struct SizeCheck {
    DeclaredSize verdict = DeclaredSize::Fits;
    std::string problem;  // why no picture is shown, when it does not fit
};

// A width or height below 1 makes no picture; more than DefaultPixelLimit pixels are refused
// before anything is allocated for them.
SizeCheck CheckDeclaredSize(int32_t width, int32_t height);

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
