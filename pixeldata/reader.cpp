#include "pixeldata/reader.h"

#include <algorithm>

#include "base/printable.h"
#include "picture/picture.h"
#include "pixeldata/value_stream.h"

namespace include_file_detail {

const std::array<IncludeValue, 256>& ByteValues() {
    static const std::array<std::string, 256> texts = [] {
        std::array<std::string, 256> t;
        for (size_t i = 0; i < t.size(); ++i) t[i] = std::to_string(i);
        return t;
    }();
    static const std::array<IncludeValue, 256> values = [] {
        std::array<IncludeValue, 256> v;
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = {texts[i].data(), static_cast<uint32_t>(texts[i].size()),
                    static_cast<uint32_t>(i)};
        return v;
    }();
    return values;
}

bool IsPackedPixel(std::string_view text) {
    if (text.size() != 10 || text[0] != '&' || (text[1] | 0x20) != 'h') return false;
    return std::all_of(text.begin() + 2, text.end(), [](char c) { return HexDigit(c) >= 0; });
}

namespace {

// The keyword, then a blank or nothing.
bool IsDataLine(std::string_view content) {
    return content.size() >= 4 && IsDataKeyword(content.data()) &&
           (content.size() == 4 || IsBlank(content[4]));
}

bool HoldsNoBlank(std::string_view line) {
    return line.find(' ') == std::string_view::npos;
}

std::string_view Content(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return TrimBlanks(line);
}

// The start of a found line for a message, made printable, cut between characters.
std::string Shown(std::string_view line) {
    constexpr size_t shown = 60;
    if (line.size() <= shown) return Printable(line);
    size_t cut = shown;
    while (cut > shown - 3 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    return Printable(line.substr(0, cut)) + "...";
}

}  // namespace

// A label is tested first: a Data line the conversion writes always holds a blank, while the
// label it writes may begin with "Data" and a TAB.
Line ClassifyLine(std::string_view line) {
    const std::string_view content = Content(line);
    Line result;
    if (content.empty()) {
        result.kind = LineKind::Blank;
    } else if (content.back() == ':' && HoldsNoBlank(content)) {
        result.kind = LineKind::Label;
    } else if (IsDataLine(content)) {
        result.kind = LineKind::Data;
        result.values = content.data() + 4;
    } else {
        result.kind = HoldsNoBlank(content) ? LineKind::LabelPart : LineKind::Other;
    }
    return result;
}

// Inside a label every line without a blank belongs to it, whatever it looks like.
LineKind ContinueLabel(std::string_view line) {
    const std::string_view content = Content(line);
    if (!HoldsNoBlank(content)) return LineKind::Other;
    return !content.empty() && content.back() == ':' ? LineKind::Label : LineKind::LabelPart;
}

bool Refuse(const IncludeFileReader& reader, std::string_view line, IncludeFileError& error) {
    if (reader.openLabelLine != 0) {
        error = {reader.openLabelLine, Shown(reader.openLabel)};
    } else {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        error = {reader.line, Shown(line)};
    }
    return false;
}

bool RefuseLongLine(const IncludeFileReader& reader, std::string_view line,
                    IncludeFileError& error) {
    error = {reader.line, Shown(line), ExpectedShorterLine};
    return false;
}

}  // namespace include_file_detail

bool FinishLines(const IncludeFileReader& reader, IncludeFileError& error) {
    return reader.openLabelLine == 0 || include_file_detail::Refuse(reader, {}, error);
}

namespace {

struct NoSink {
    void Values(std::span<const IncludeValue>) {}
    void EndGroup() {}
};

struct StreamSink {
    std::string& bytes;
    bool Stopped() const { return false; }
    void Values(std::span<const IncludeValue> values) {
        for (const IncludeValue& value : values) {
            bytes += value.Text();
            bytes += ValueSeparator;
        }
    }
    // The group's last value is followed by the group end instead of a separator.
    void EndGroup() { bytes.back() = GroupEnd; }
};

}  // namespace

bool LooksLikeIncludeFile(std::string_view head) {
    IncludeFileReader reader;
    IncludeFileError ignored;
    NoSink sink;
    ReadLines(reader, head, sink, ignored);
    return reader.groupCount > 0;
}

std::optional<std::string> TruncationHint(uint64_t bytes, bool endsInLineEnd) {
    if (bytes == 0) return "the file is empty";
    if (!endsInLineEnd) return "the last line has no line end; the file may be cut short";
    return std::nullopt;
}

bool ReadIncludeFile(std::string_view text, IncludeFileStream& stream, IncludeFileError& error) {
    stream = {};
    StreamSink sink{stream.bytes};
    const IncludeFileRead read = ReadIncludeText(text, sink);
    stream.valueCount = read.reader.valueCount;
    stream.groupCount = read.reader.groupCount;
    stream.packed = read.reader.packed;
    error = read.error;
    return read.status == IncludeFileStatus::Read;
}

IncludeFileRead ReadIncludeFileStream(const std::string& path, IncludeFileStream& stream) {
    stream = {};
    StreamSink sink{stream.bytes};
    IncludeFileRead read = ReadIncludeFileAt(path, sink);
    stream.valueCount = read.reader.valueCount;
    stream.groupCount = read.reader.groupCount;
    stream.packed = read.reader.packed;
    return read;
}

std::string ValueCountMismatch(uint64_t valueCount, int32_t width, int32_t height, bool packed) {
    // A width or height below 1 makes no picture, so nothing after the size is read.
    const uint64_t perPixel = packed ? 1 : 4;
    const uint64_t expected = width >= 1 && height >= 1
                                  ? 2 + perPixel * static_cast<uint64_t>(int64_t{width} * height)
                                  : 2;
    if (valueCount == expected) return {};
    return std::to_string(valueCount) + " values, but width " + std::to_string(width) +
           " and height " + std::to_string(height) + " call for " + std::to_string(expected) +
           (valueCount < expected ? "; the missing ones read as 0"
                                  : "; the extra ones are never read");
}

std::string ValueCountMismatch(const IncludeFileStream& stream) {
    ValueStream values = MakeValueStream(stream.bytes);
    const int32_t width = ReadInt(values);
    const int32_t height = ReadInt(values);
    return ValueCountMismatch(stream.valueCount, width, height, stream.packed);
}

namespace {

std::string AsWritten(int32_t value, std::string_view text) {
    const std::string number = std::to_string(value);
    text = include_file_detail::TrimBlanks(text);
    if (text.empty() || text == number) return number;
    return std::string(text) + " (the 32-bit " + number + ")";
}

}  // namespace

SizeCheck CheckDeclaredSize(int32_t width, int32_t height, std::string_view widthText,
                            std::string_view heightText) {
    const std::string size =
        "width " + AsWritten(width, widthText) + " and height " + AsWritten(height, heightText);
    if (width < 1 || height < 1) return {DeclaredSize::NoPixels, size + " make no picture"};
    const int64_t pixels = int64_t{width} * height;
    if (pixels <= picture::DefaultPixelLimit) return {};
    return {DeclaredSize::TooManyPixels, size + " make " + std::to_string(pixels) +
                                             " pixels, more than the limit of " +
                                             std::to_string(picture::DefaultPixelLimit)};
}
