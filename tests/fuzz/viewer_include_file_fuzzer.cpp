// Arbitrary bytes as a pixel-data include file: the reader, quick ways included, gives the stream
// or malformed line a plain reading gives, each value's number, and BuildImage's picture.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

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

// A value's text in the stream: in the packed form (its third value "&H" and eight hexadecimal
// digits) every value after the size as the four of its pixel.
std::string PlainValue(std::string_view text, uint64_t index, bool& packed) {
    if (index == 2)
        packed = text.size() == 10 && text[0] == '&' && (text[1] | 0x20) == 'h' &&
                 text.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string_view::npos;
    if (!packed || index < 2) return std::string(text);
    const uint32_t pixel = ConvertValue(text);
    std::string values;
    for (int shift = 24; shift >= 0; shift -= 8) {
        values += std::to_string((pixel >> shift) & 0xFF);
        if (shift > 0) values += ValueSeparator;
    }
    return values;
}

// The rules read plainly: the stream, or the malformed line's number as `error`.
std::string PlainReading(std::string_view text, uint64_t& error) {
    std::string stream;
    uint64_t values = 0;
    bool packed = false;
    uint64_t line = 0;
    uint64_t openLabel = 0;
    for (; !text.empty(); ++line) {
        std::string_view content = text.substr(0, text.find('\n'));
        text.remove_prefix(std::min(text.size(), content.size() + 1));
        if (content.size() > MaxLineBytes) return error = line + 1, stream;
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        content = Trimmed(content);
        const bool noBlank = content.find(' ') == std::string_view::npos;
        const bool label = noBlank && !content.empty() && content.back() == ':';
        if (openLabel != 0 || content.empty() || label) {
            if (openLabel != 0 && !noBlank) return error = openLabel, stream;
            if (label) openLabel = 0;
            continue;
        }
        std::string keyword(content.substr(0, 4));
        for (char& c : keyword) c = static_cast<char>(c | 0x20);
        if (keyword != "data" || (content.size() > 4 && content[4] != ' ' && content[4] != '\t')) {
            if (!noBlank) return error = line + 1, stream;
            openLabel = line + 1;
            continue;
        }
        for (std::string_view rest = content.substr(4);;) {
            stream += PlainValue(Trimmed(rest.substr(0, rest.find(','))), values++, packed);
            if (rest.find(',') == std::string_view::npos) break;
            stream += ValueSeparator;
            rest.remove_prefix(rest.find(',') + 1);
        }
        stream += GroupEnd;
    }
    error = openLabel;
    return stream;
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
    const auto separators =
        static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), ValueSeparator));
    // A packed pixel is one value of the file and four of the stream.
    const uint64_t pixelsPacked = stream.packed ? stream.valueCount - 2 : 0;
    Check(stream.groupCount == groups &&
          stream.valueCount + 3 * pixelsPacked == groups + separators);
    Check(bytes.empty() || bytes.back() == GroupEnd);
    ValueCountMismatch(stream);
    ConversionCheck conversion;
    ReadIncludeText(text, conversion);
    CheckPicture(text, stream);
    return 0;
}
