// Arbitrary bytes as a pixel-data include file: the reader, quick ways included, gives the stream
// or malformed line a plain reading gives (every line kind, form and dialect, pictures one after
// the other), each value's number, and BuildImage's picture.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "pixeldata/reader.h"
#include "pixeldata/value_stream.h"
#include "screen/window/headless.h"
#include "viewer/build_image.h"
#include "viewer/picture_file.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The model's picture: its values so far, its size and form, its palette.
struct PlainPicture {
    uint64_t values = 0;
    int32_t width = 0;
    int32_t height = 0;
    enum { Unpacked, Packed, Palette } form = Unpacked;
    int64_t count = 0;
    std::vector<uint32_t> colours;
    uint32_t partial = 0;
    int channels = 0;
};

uint64_t ExpectedValues(const PlainPicture& p) {
    if (p.width < 1 || p.height < 1) return 2;
    const auto pixels = static_cast<uint64_t>(int64_t{p.width} * p.height);
    if (p.form == PlainPicture::Packed) return 2 + pixels;
    if (p.form == PlainPicture::Palette) return 3 + 4 * static_cast<uint64_t>(p.count) + pixels;
    return 2 + 4 * pixels;
}

std::string FourValues(uint32_t pixel) {
    std::string values;
    for (int shift = 24; shift >= 0; shift -= 8) {
        values += std::to_string((pixel >> shift) & 0xFF);
        if (shift > 0) values += ValueSeparator;
    }
    return values;
}

bool IsPacked(std::string_view text) {
    return text.size() == 10 && text[0] == '&' && (text[1] | 0x20) == 'h' &&
           text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string_view::npos;
}

// A value's text in the stream, appended to `stream` with a separator: in the packed form every
// value after the size as the four of its pixel; in the palette form (a third value with "-") the
// count and the colours give none, each index the four of its colour. False for a count that is
// not -1 to -256.
bool PlainValue(std::string_view text, PlainPicture& p, std::string& stream, bool& gave) {
    const uint64_t index = p.values++;
    const uint32_t number = ConvertValue(text);
    if (index == 0) p.width = static_cast<int32_t>(number);
    if (index == 1) p.height = static_cast<int32_t>(number);
    if (index == 2 && IsPacked(text)) {
        p.form = PlainPicture::Packed;
    } else if (index == 2 && !text.empty() && text[0] == '-') {
        p.form = PlainPicture::Palette;
        p.count = -static_cast<int64_t>(static_cast<int32_t>(number));
        if (p.count < 1 || p.count > 256) return false;
    }
    std::string out;
    if (index < 2 || p.form == PlainPicture::Unpacked) {
        out = text;
    } else if (p.form == PlainPicture::Packed) {
        out = FourValues(number);
    } else if (index == 2) {
        return true;
    } else if (std::ssize(p.colours) < p.count) {
        p.partial = p.partial << 8 | (number & 0xFF);
        if (++p.channels == 4) p.colours.push_back(p.partial), p.channels = 0, p.partial = 0;
        return true;
    } else {
        out = FourValues(number < p.colours.size() ? p.colours[number] : 0);
    }
    stream += out;
    stream += ValueSeparator;
    gave = true;
    return true;
}

// The keyword, in any letter case, then a blank, a TAB or nothing.
bool IsKeyword(std::string_view content, std::string_view keyword) {
    if (content.size() < keyword.size()) return false;
    for (size_t i = 0; i < keyword.size(); ++i)
        if ((content[i] | 0x20) != keyword[i]) return false;
    return content.size() == keyword.size() || content[keyword.size()] == ' ' ||
           content[keyword.size()] == '\t';
}

// The model's reading so far: the stream, the pictures, where a label stands.
struct Plain {
    std::string stream;
    PlainPicture picture;
    uint64_t pictures = 0;
    bool labelSinceData = false;
};

// A Data line's values; false, at a bad palette count.
bool PlainDataLine(std::string_view rest, Plain& plain) {
    const bool whole = plain.picture.values >= ExpectedValues(plain.picture);
    if (plain.pictures == 0 || (plain.labelSinceData && whole)) {
        ++plain.pictures;
        plain.picture = {};
    }
    plain.labelSinceData = false;
    bool gave = false;
    for (;;) {
        if (!PlainValue(Trimmed(rest.substr(0, rest.find(','))), plain.picture, plain.stream, gave))
            return false;
        if (rest.find(',') == std::string_view::npos) break;
        rest.remove_prefix(rest.find(',') + 1);
    }
    if (gave) plain.stream.back() = GroupEnd;
    return true;
}

// The rules read plainly: the stream, or the malformed line's number as `error`.
std::string PlainReading(std::string_view text, uint64_t& error) {
    Plain plain;
    uint64_t line = 0;
    uint64_t openLabel = 0;
    for (; !text.empty(); ++line) {
        std::string_view content = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), content.size() + 1));
        if (content.size() > MaxLineBytes) return error = line + 1, plain.stream;
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        content = Trimmed(content);
        const bool noBlank = content.find(' ') == std::string_view::npos;
        if (openLabel != 0) {
            if (!noBlank) return error = openLabel, plain.stream;
            if (!content.empty() && content.back() == ':') openLabel = 0;
            continue;
        }
        if (content.empty()) continue;
        if (noBlank && content.back() == ':') {
            plain.labelSinceData = true;
            continue;
        }
        const size_t digits = std::min(content.find_first_not_of("0123456789"), content.size());
        const bool numbered = digits > 0 && digits < content.size() &&
                              (content[digits] == ' ' || content[digits] == '\t');
        const std::string_view rest = numbered ? Trimmed(content.substr(digits)) : content;
        const std::string_view name = Trimmed(content.substr(std::min<size_t>(5, content.size())));
        if (IsKeyword(rest, "data")) {
            if (!PlainDataLine(rest.substr(4), plain)) return error = line + 1, plain.stream;
        } else if (IsKeyword(rest, "rem") ||
                   (!numbered && IsKeyword(content, "label") && !name.empty() &&
                    name.find(' ') == std::string_view::npos)) {
            plain.labelSinceData = true;
        } else if (!numbered && noBlank) {
            openLabel = line + 1;
            plain.labelSinceData = true;
        } else {
            return error = line + 1, plain.stream;
        }
    }
    error = openLabel;
    return plain.stream;
}

struct ConversionCheck {
    void Values(std::span<const IncludeValue> values) {
        for (const IncludeValue& value : values) Check(value.number == ConvertValue(value.Text()));
    }
    void EndGroup() {}
};

void CheckPicture(std::string_view text, const IncludeFileStream& stream) {
    ValueStream values = MakeValueStream(stream.bytes);
    const int64_t width = ReadInt(values);
    const int64_t height = ReadInt(values);
    // Large pictures only cost time and memory; small ones reach every path.
    if (width < 1 || height < 1 || width * height > (1 << 16)) return;
    Rewind(values);
    ImageBuffer* built = BuildImage(values);
    const PictureFile read = ReadIncludePicture(text);
    Check(built != nullptr && read.pixels);
    Check(read.pixels.Width() == built->width && read.pixels.Height() == built->height);
    for (int32_t y = 0; y < built->height; ++y)
        for (int32_t x = 0; x < built->width; ++x)
            Check(read.pixels.Row(y)[x] == GetPixel(built, x, y));
    DestroyImage(built);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool opened = [] {
        headless::UseHeadlessBackend();
        return OpenScreen(64, 48, 32) == ScreenResult::Ok;
    }();
    Check(opened);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IncludeFileStream stream;
    IncludeFileError error;
    uint64_t plainError = 0;
    const std::string plainStream = PlainReading(text, plainError);
    const bool read = ReadIncludeFile(text, stream, error);
    Check(read ? plainError == 0 && stream.bytes == plainStream : error.line == plainError);
    if (!read) {
        const auto lines = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        Check(error.line >= 1 && error.line <= lines);
        Check(ReadIncludePicture(text).status == PictureFileStatus::Malformed);
        return 0;
    }
    const std::string_view bytes = stream.bytes;
    const auto groups = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), GroupEnd));
    Check(stream.groupCount == groups);
    Check(bytes.empty() || bytes.back() == GroupEnd);
    ValueCountMismatch(stream);
    ConversionCheck conversion;
    ReadIncludeText(text, conversion);
    CheckPicture(text, stream);
    return 0;
}
