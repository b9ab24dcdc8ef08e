// Arbitrary bytes as a value stream: every value read must equal the conversion of its text, and
// BuildImage must make an image of exactly the size the stream gives, or none for a size below 1.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pixeldata/value_stream.h"
#include "screen/screen.h"
#include "screen/window/headless.h"
#include "viewer/build_image.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

void CheckValuesAgainstTheirTexts(std::string_view bytes) {
    constexpr char marks[] = {ValueSeparator, GroupEnd};
    ValueStream stream = MakeValueStream(bytes);
    while (!bytes.empty()) {
        const size_t mark = bytes.find_first_of(std::string_view(marks, sizeof marks));
        Check(ReadValue(stream) == ConvertValue(bytes.substr(0, mark)));
        bytes.remove_prefix(mark == std::string_view::npos ? bytes.size() : mark + 1);
    }
    Check(stream.next == stream.end && ReadValue(stream) == 0);
}

void CheckBuildImage(std::string_view bytes) {
    ValueStream stream = MakeValueStream(bytes);
    const int64_t width = ReadInt(stream);
    const int64_t height = ReadInt(stream);
    // Large pictures only cost time and memory; small ones reach every path.
    if (width * height > (1 << 16)) return;
    Rewind(stream);
    ImageBuffer* image = BuildImage(stream);
    Check((image != nullptr) == (width >= 1 && height >= 1));
    if (image != nullptr) Check(image->width == width && image->height == height);
    DestroyImage(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool opened = [] {
        headless::UseHeadlessBackend();
        return OpenScreen(64, 48, 32) == ScreenResult::Ok;
    }();
    Check(opened);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckValuesAgainstTheirTexts(bytes);
    CheckBuildImage(bytes);
    return 0;
}
