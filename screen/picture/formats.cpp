// The picture files LoadBitmap knows, each recognised by its first bytes: one unit per format and
// one line in the table below.
//
// Files come from anywhere, so every size in them is distrusted: sizes are 64-bit, reads are
// positioned and bounded by the file's real length, and nothing is ever written outside the
// destination's own rows or block.
#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/bmp.h"
#include "screen/picture/input_file.h"
#include "screen/picture/raw_image.h"

namespace {

using picture::InputFile;

struct PictureFormat {
    bool (*recognises)(std::span<const uint8_t> head);
    ScreenResult (*load)(const InputFile& file, ImageBuffer* image, uint32_t* palette);
    std::optional<BitmapSize> (*probe)(const InputFile& file);  // nullptr: no size to tell
};

constexpr PictureFormat Formats[] = {
    {picture::IsRawImage, picture::LoadRawImage, nullptr},
    {picture::IsBmp, picture::LoadBmp, picture::ProbeBmpSize},
};

// As many first bytes as any format needs to be recognised.
constexpr int64_t SignatureBytes = 8;

// The format of a regular, readable file, or nullptr.
const PictureFormat* FormatOf(const InputFile& file) {
    std::array<uint8_t, SignatureBytes> head{};
    const int64_t got = file.IsRegular() ? file.ReadAt(0, head.data(), SignatureBytes) : -1;
    if (got < 1) return nullptr;
    for (const PictureFormat& format : Formats)
        if (format.recognises(std::span(head.data(), static_cast<size_t>(got)))) return &format;
    return nullptr;
}

std::atomic<int64_t> CurrentPixelLimit = DefaultPixelLimit;

}  // namespace

void SetPixelLimit(int64_t pixels) {
    CurrentPixelLimit = std::max<int64_t>(pixels, 1);
}

int64_t PixelLimit() {
    return CurrentPixelLimit;
}

ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image, uint32_t* palette) {
    if (!image && !ScreenIsOpen()) return ScreenResult::IllegalCall;
    const InputFile file(fileName);
    if (!file.IsOpen()) return ScreenResult::FileNotFound;
    const PictureFormat* format = FormatOf(file);
    return format ? format->load(file, image, palette) : ScreenResult::FileIO;
}

BitmapSize ProbeBitmapSize(const std::string& path) {
    const InputFile file(path);
    const PictureFormat* format = FormatOf(file);
    if (!format || !format->probe) return {};
    return format->probe(file).value_or(BitmapSize{});
}
