// The picture files LoadBitmap knows, each recognised by its first bytes: one unit per format and
// one line in the table below.
//
// Files come from anywhere, so every size in them is distrusted: sizes are 64-bit, reads are
// positioned and bounded by the file's real length, pictures above the pixel limit are refused
// before anything is allocated for them, and nothing is ever written outside the destination's
// own rows or block.
#include <algorithm>
#include <array>
#include <atomic>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/bmp.h"
#include "screen/picture/gif.h"
#include "screen/picture/jpeg.h"
#include "screen/picture/picture_file.h"
#include "screen/picture/png.h"
#include "screen/picture/raw_image.h"

namespace {

using picture::InputFile;
using picture::Probe;

struct PictureFormat {
    bool (*recognises)(std::span<const uint8_t> head);
    // nullopt when the header shows the file is no such picture after all; a null entry: the
    // format has no size of its own to tell (its load is bounded by the destination).
    std::optional<Probe> (*probe)(const InputFile& file);
    ScreenResult (*load)(const InputFile& file, ImageBuffer* image, uint32_t* palette);
};

constexpr PictureFormat Formats[] = {
    {picture::IsRawImage, nullptr, picture::LoadRawImage},
    {picture::IsBmp, picture::ProbeBmp, picture::LoadBmp},
    {picture::IsPng, picture::ProbePng, picture::LoadPng},
    {picture::IsJpeg, picture::ProbeJpeg, picture::LoadJpeg},
    {picture::IsGif, picture::ProbeGif, picture::LoadGif},
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

// The one place where the limit is checked, for every format.
std::optional<Probe> ProbeAs(const PictureFormat& format, const InputFile& file) {
    std::optional<Probe> probe = format.probe ? format.probe(file) : std::nullopt;
    // Both sides stay below 2^32, so the product cannot overflow.
    if (probe) probe->overPixelLimit = probe->width * probe->height > PixelLimit();
    return probe;
}

}  // namespace

void SetPixelLimit(int64_t pixels) {
    CurrentPixelLimit = std::max<int64_t>(pixels, 1);
}

int64_t PixelLimit() {
    return CurrentPixelLimit;
}

namespace picture {

std::optional<Probe> ProbeFile(const InputFile& file) {
    const PictureFormat* format = FormatOf(file);
    return format ? ProbeAs(*format, file) : std::nullopt;
}

ScreenResult LoadFile(const InputFile& file, ImageBuffer* image, uint32_t* palette) {
    if (!image && !ScreenIsOpen()) return ScreenResult::IllegalCall;
    if (!file.IsOpen()) return ScreenResult::FileNotFound;
    const PictureFormat* format = FormatOf(file);
    if (!format) return ScreenResult::FileIO;
    const std::optional<Probe> probe = ProbeAs(*format, file);
    if (probe && probe->overPixelLimit) return ScreenResult::FileIO;
    return format->load(file, image, palette);
}

}  // namespace picture

ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image, uint32_t* palette) {
    const InputFile file(fileName);
    return picture::LoadFile(file, image, palette);
}

BitmapSize ProbeBitmapSize(const std::string& path) {
    const InputFile file(path);
    const std::optional<Probe> probe = picture::ProbeFile(file);
    return probe ? probe->stored : BitmapSize{};
}
