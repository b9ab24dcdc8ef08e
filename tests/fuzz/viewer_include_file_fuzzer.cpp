// Arbitrary bytes as a pixel-data include file: the reader either refuses a line that exists, or
// gives a stream whose values and groups are exactly the counts it reports. Every value it hands
// over carries the number its text converts to, and the viewer's picture of the text is the one
// BuildImage makes from the generator's stream.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "screen/headless.h"
#include "viewer/build_image.h"
#include "viewer/include_file.h"
#include "viewer/picture_file.h"
#include "viewer/value_stream.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

struct ConversionCheck {
    void Value(std::string_view text, uint32_t number) { Check(number == ConvertValue(text)); }
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
    Check(built != nullptr && read.image != nullptr);
    Check(read.image->width == built->width && read.image->height == built->height);
    for (int32_t y = 0; y < built->height; ++y) {
        for (int32_t x = 0; x < built->width; ++x)
            Check(GetPixel(read.image.get(), x, y) == GetPixel(built, x, y));
    }
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
    if (!ReadIncludeFile(text, stream, error)) {
        const auto lines = static_cast<uint64_t>(std::count(text.begin(), text.end(), '\n')) + 1;
        Check(error.line >= 1 && error.line <= lines);
        Check(ReadIncludePicture(text).status == PictureFileStatus::Malformed);
        return 0;
    }
    const std::string_view bytes = stream.bytes;
    const auto groups = static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), GroupEnd));
    const auto separators =
        static_cast<uint64_t>(std::count(bytes.begin(), bytes.end(), ValueSeparator));
    Check(stream.groupCount == groups && stream.valueCount == groups + separators);
    Check(bytes.empty() || bytes.back() == GroupEnd);
    ValueCountMismatch(stream);
    ConversionCheck conversion;
    ReadIncludeText(text, conversion);
    CheckPicture(text, stream);
    return 0;
}
