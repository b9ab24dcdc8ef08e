#include "pixeldata/reader.h"

#include <algorithm>

#include "base/printable.h"
#include "picture/picture.h"
#include "pixeldata/value_stream.h"

namespace include_file_detail {

namespace {

// The keyword, in any letter case, then a blank or nothing.
bool StartsWithKeyword(std::string_view content, std::string_view keyword) {
    if (content.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if ((content[i] | 0x20) != keyword[i]) return false;
    return content.size() == keyword.size() || IsBlank(content[keyword.size()]);
}

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

std::string_view FirstWord(std::string_view text) {
    text = TrimBlanks(text);
    return text.substr(0, std::min(text.find(' '), text.find('\t')));
}

// The rest of a line after its keyword: a Data or REM line, or nothing known.
Line KeywordLine(std::string_view content) {
    if (IsDataLine(content)) return {LineKind::Data, content.data() + 4, {}};
    if (StartsWithKeyword(content, "rem"))
        return {LineKind::Remark, nullptr, FirstWord(content.substr(3))};
    return {};
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
    if (content.empty()) return {LineKind::Blank, nullptr, {}};
    if (content.back() == ':' && HoldsNoBlank(content))
        return {LineKind::Label, nullptr, content.substr(0, content.size() - 1)};
    const size_t digits = std::min(content.find_first_not_of("0123456789"), content.size());
    if (digits > 0 && digits < content.size() && IsBlank(content[digits]))
        return KeywordLine(TrimBlanks(content.substr(digits)));
    if (const Line keyword = KeywordLine(content); keyword.kind != LineKind::Other) return keyword;
    if (StartsWithKeyword(content, "label")) {
        const std::string_view name = TrimBlanks(content.substr(5));
        if (!name.empty() && HoldsNoBlank(name)) return {LineKind::Label, nullptr, name};
    }
    if (HoldsNoBlank(content)) return {LineKind::LabelPart, nullptr, content};
    return {};
}

// Inside a label every line without a blank belongs to it, whatever it looks like.
LineKind ContinueLabel(std::string_view line) {
    const std::string_view content = Content(line);
    if (!HoldsNoBlank(content)) return LineKind::Other;
    return !content.empty() && content.back() == ':' ? LineKind::Label : LineKind::LabelPart;
}

bool Refuse(const IncludeFileReader& reader, std::string_view line, IncludeFileError& error,
            std::string_view expected) {
    if (reader.openLabelLine != 0) {
        error = {reader.openLabelLine, Shown(reader.openLabel)};
    } else {
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        error = {reader.line, Shown(line), expected};
    }
    return false;
}

bool RefuseLongLine(const IncludeFileReader& reader, std::string_view line,
                    IncludeFileError& error) {
    error = {reader.line, Shown(line), ExpectedShorterLine};
    return false;
}

void NoteLabel(IncludeFileReader& reader, std::string_view name) {
    reader.label = name;
    reader.labelSinceData = true;
}

bool BeginDataLine(IncludeFileReader& reader) {
    ++reader.dataLines;
    const bool whole = reader.values.valueCount >= ExpectedValues(reader.values);
    if (reader.pictures == 0 || (reader.labelSinceData && whole)) {
        if (reader.pictures == reader.wanted.value_or(0) + 1) reader.reported = reader.values;
        reader.labels.push_back(reader.labelSinceData ? reader.label : std::string());
        ++reader.pictures;
        reader.values = {};
    }
    reader.labelSinceData = false;
    return !reader.wanted || *reader.wanted + 1 == reader.pictures;
}

}  // namespace include_file_detail

bool FinishLines(const IncludeFileReader& reader, IncludeFileError& error) {
    return reader.openLabelLine == 0 || include_file_detail::Refuse(reader, {}, error);
}

const PictureValues& ReportedValues(const IncludeFileReader& reader) {
    static const PictureValues none;
    const uint64_t index = reader.wanted.value_or(0);
    if (reader.pictures <= index) return none;
    return reader.pictures == index + 1 ? reader.values : reader.reported;
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

void Fill(IncludeFileStream& stream, const IncludeFileRead& read) {
    stream.groupCount = read.reader.groupCount;
    stream.pictures = read.reader.pictures;
    stream.first = ReportedValues(read.reader);
}

}  // namespace

bool LooksLikeIncludeFile(std::string_view head) {
    IncludeFileReader reader;
    reader.wanted = 0;
    IncludeFileError ignored;
    NoSink sink;
    ReadLines(reader, head, sink, ignored);
    return reader.dataLines > 0;
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
    Fill(stream, read);
    error = read.error;
    return read.status == IncludeFileStatus::Read;
}

IncludeFileRead ReadIncludeFileStream(const std::string& path, IncludeFileStream& stream) {
    stream = {};
    StreamSink sink{stream.bytes};
    IncludeFileRead read = ReadIncludeFileAt(path, sink);
    Fill(stream, read);
    return read;
}

std::string ValueCountMismatch(const IncludeFileStream& stream) {
    return ValueCountMismatch(stream.first);
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
