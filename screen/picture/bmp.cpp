#include "screen/picture/bmp.h"

#include <algorithm>
#include <vector>

#include "screen/picture/bmp_header.h"
#include "screen/picture/bmp_pixels.h"
#include "screen/picture/bmp_rle.h"
#include "screen/picture/destination.h"

namespace picture {

namespace {

// Entries missing from a file cut short inside its palette read as black.
Palette ReadBmpPalette(const InputFile& file, const BmpLayout& h) {
    const int64_t count = PaletteEntries(h.bitCount);
    const int64_t entryBytes = PaletteEntryBytes(h.infoSize);
    std::vector<uint8_t> bytes(static_cast<size_t>(count * entryBytes), 0);
    file.ReadAt(FileHeaderBytes + h.infoSize, bytes.data(), static_cast<int64_t>(bytes.size()));
    Palette entries{};
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* e = bytes.data() + i * entryBytes;
        entries[i] = e[2] | (e[1] << 8) | (e[0] << 16);
    }
    return entries;
}

}  // namespace

bool IsBmp(std::span<const uint8_t> head) {
    return !head.empty() && head[0] == 'B';
}

ScreenResult LoadBmp(const InputFile& file, ImageBuffer* image, uint32_t* palette) {
    if (!ScreenIsOpen()) return ScreenResult::IllegalCall;
    const std::optional<BmpHeader> header = ReadBmpHeader(file);
    const std::optional<BmpLayout> layout = header ? ResolveBmpLayout(file, *header) : std::nullopt;
    if (!layout) return ScreenResult::FileIO;
    const BmpLayout& h = *layout;

    screen_internal::ScopedScreenLock lock;
    const screen_internal::Surface dest = screen_internal::ResolveTarget(image);
    // Indices fit a 1-byte destination; true colour has no sensible 8-bit form.
    if (!Writable(dest) || (dest.bytesPerPixel == 1 && h.bitCount > 8))
        return ScreenResult::IllegalCall;
    Palette entries{};
    if (h.bitCount <= 8) {
        entries = ReadBmpPalette(file, h);
        InstallPalette(entries, PaletteEntries(h.bitCount), palette);
    }
    const int64_t copyWidth = std::min<int64_t>(h.width, dest.width);
    RowSink sink{dest, MakeRowFormat(h, entries), std::vector<uint8_t>(copyWidth * 4)};
    const bool runLength = h.compression == Rle8 || h.compression == Rle4;
    const ScreenResult result =
        runLength ? LoadRunLengthRows(file, h, sink) : LoadPlainRows(file, h, sink);
    if (dest.isScreen) lock.MarkDirty(0, dest.height - 1);
    return result;
}

std::optional<BitmapSize> ProbeBmpSize(const InputFile& file) {
    const std::optional<BmpHeader> header = ReadBmpHeader(file);
    if (!header) return std::nullopt;
    return BitmapSize{header->width, header->height};
}

}  // namespace picture
