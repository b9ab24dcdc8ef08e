#include "screen/raw_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "screen/internal.h"

namespace screen_internal {

using picture::InputFile;
using picture::Le16;
using picture::Le32;
using picture::Palette;

namespace {

constexpr uint8_t LongLengthKind = 0xFE;   // followed by a 32-bit length
constexpr uint8_t ShortLengthKind = 0xFD;  // followed by 4 ignored bytes and a 16-bit length
constexpr int64_t LegacyHeaderBytes = 4;   // a legacy image's header is one word

struct RawData {
    int64_t offset = 0;  // first byte of the image memory
    int64_t length = 0;  // as the file's length field says
};

std::optional<RawData> ReadRawLength(const InputFile& file) {
    std::array<uint8_t, 7> head{};
    const int64_t got = file.ReadAt(0, head.data(), head.size());
    if (head[0] == LongLengthKind)
        return got >= 5 ? std::optional<RawData>({5, Le32(&head[1])}) : std::nullopt;
    return got >= 7 ? std::optional<RawData>({7, Le16(&head[5])}) : std::nullopt;
}

// The byte size an image header claims for itself, or 0 if it is no valid header.
int64_t ClaimedImageBytes(const uint8_t* header) {
    const Surface s = screen_internal::ImageSurface(header);
    const int32_t bpp = s.bytesPerPixel;
    if (!s.pixels || (bpp != 1 && bpp != 2 && bpp != 4) || s.pitch < int64_t{s.width} * bpp)
        return 0;
    return (s.pixels - header) + int64_t{s.height} * s.pitch;
}

// The file replaces the image block's header and pixels. Only a header that describes an image
// fitting the block is taken, so the image stays safe to draw; nothing is copied past the block.
ScreenResult LoadRawIntoImage(const InputFile& file, RawData raw, ImageBuffer* image) {
    int64_t blockBytes = 0;
    if (GetImageInfo(image, nullptr, nullptr, nullptr, nullptr, nullptr, &blockBytes) !=
        ScreenResult::Ok)
        return ScreenResult::IllegalCall;
    std::array<uint8_t, sizeof(ImageBuffer)> header{};
    const int64_t got = file.ReadAt(raw.offset, header.data(), header.size());
    if (got < 0) return ScreenResult::FileIO;
    const int64_t claimed = ClaimedImageBytes(header.data());
    const int64_t headerBytes =
        Le32(header.data()) == ImageBufferType ? int64_t{sizeof(ImageBuffer)} : LegacyHeaderBytes;
    if (claimed == 0 || claimed > blockBytes || got < headerBytes || raw.length < headerBytes)
        return ScreenResult::FileIO;

    std::vector<uint8_t> bytes(static_cast<size_t>(std::min(raw.length, blockBytes)));
    const int64_t n = file.ReadAt(raw.offset, bytes.data(), static_cast<int64_t>(bytes.size()));
    if (n < 0) return ScreenResult::FileIO;
    screen_internal::ScopedScreenLock lock;
    std::memcpy(image, bytes.data(), static_cast<size_t>(n));
    return ScreenResult::Ok;
}

// A frame-buffer dump, optionally followed by a palette of 6-bit red, green, blue triples.
ScreenResult LoadRawOntoScreen(const InputFile& file, RawData raw, uint32_t* palette) {
    {
        screen_internal::ScopedScreenLock lock;
        const Surface screen = screen_internal::ScreenSurface();
        if (!screen.pixels) return ScreenResult::IllegalCall;
        const int64_t frameBytes = int64_t{screen.height} * screen.pitch;
        if (file.ReadAt(raw.offset, screen.pixels, std::min(raw.length, frameBytes)) < 0)
            return ScreenResult::FileIO;
        lock.MarkDirty(0, screen.height - 1);
    }
    std::array<uint8_t, 256 * 3> bytes{};
    const int64_t n = file.ReadAt(raw.offset + raw.length, bytes.data(), bytes.size());
    if (n < 0) return ScreenResult::FileIO;
    if (n >= 3) {
        Palette entries{};
        for (int64_t i = 0; i < n / 3; ++i) {
            const uint8_t* e = bytes.data() + i * 3;
            entries[i] = ((e[0] & 63) << 2) | ((e[1] & 63) << 10) | ((e[2] & 63) << 18);
        }
        InstallPalette(entries, n / 3, palette);
    }
    return ScreenResult::Ok;
}

}  // namespace

bool IsRawImageFile(const InputFile& file) {
    uint8_t first = 0;
    return file.IsRegular() && file.ReadAt(0, &first, 1) == 1 &&
           (first == LongLengthKind || first == ShortLengthKind);
}

void InstallPalette(const Palette& entries, int64_t count, uint32_t* callerPalette) {
    screen_internal::ScopedScreenLock lock;
    Palette& screenPalette = screen_internal::ScreenPalette();
    std::copy_n(entries.begin(), count, screenPalette.begin());
    screen_internal::PaletteChanged();
    if (callerPalette) std::copy(screenPalette.begin(), screenPalette.end(), callerPalette);
}

ScreenResult LoadRawImage(const InputFile& file, ImageBuffer* image, uint32_t* palette) {
    const std::optional<RawData> raw = ReadRawLength(file);
    if (!raw) return ScreenResult::FileIO;
    return image ? LoadRawIntoImage(file, *raw, image) : LoadRawOntoScreen(file, *raw, palette);
}

}  // namespace screen_internal
