#include "picture/bmp_header.h"

#include <algorithm>
#include <array>

namespace picture {

namespace {

// The file header and the information header up to its compression field.
constexpr int64_t HeadBytes = FileHeaderBytes + 20;
constexpr uint32_t MaskHeaderBytes = 108;  // the first header size that carries an alpha mask
// The colour masks sit at this offset of the information header, or right after a shorter one.
constexpr uint32_t MaskOffset = 40;

bool Acceptable(const BmpLayout& h, uint32_t planes) {
    if (planes > 1 || h.width <= 0 || h.height == 0 || h.compression > BitFields) return false;
    if (h.height > INT32_MAX) return false;  // -2^31 has no positive row count
    if (h.topDown && h.compression != Plain && h.compression != BitFields) return false;
    // Bit fields describe pixels of 16 bits and more; with fewer bits compression 3 is another
    // system's Huffman-coded 1-bit form, which no unit decodes.
    switch (h.bitCount) {
        case 16:
        case 24:
        case 32:
            return h.compression == Plain || h.compression == BitFields;
        case 1:
            return h.compression == Plain;
        case 4:
            return h.compression == Plain || h.compression == Rle4;
        case 8:
            return h.compression == Plain || h.compression == Rle8;
        default:
            return false;  // the other counts have no defined layout
    }
}

// Bit-field masks of a header shorter than the long form follow the first 40 bytes of the
// header: directly after the 40-byte header, and inside the 52- and 56-byte ones.
int64_t ShortMaskOffset(const BmpLayout& h) {
    return FileHeaderBytes + std::min(h.infoSize, MaskOffset);
}

bool ReadMasks(const InputFile& file, BmpLayout& h) {
    if (h.compression != BitFields) {
        if (h.bitCount > 16) {
            h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        } else {
            h.masks = {0x7C00, 0x03E0, 0x001F, 0};
        }
        return true;
    }
    uint8_t m[16] = {};
    if (h.infoSize >= MaskHeaderBytes) {
        if (!file.ReadExactly(FileHeaderBytes + MaskOffset, m, 16)) return false;
        h.masks = {Le32(m), Le32(m + 4), Le32(m + 8), Le32(m + 12)};
    } else {
        // Bit-field files with a short header carry no alpha: the data contract says alpha 0.
        if (!file.ReadExactly(ShortMaskOffset(h), m, 12)) return false;
        h.masks = {Le32(m), Le32(m + 4), Le32(m + 8), 0};
    }
    return true;
}

bool KnownHeaderSize(uint32_t infoSize) {
    return infoSize == CoreHeaderBytes || infoSize >= 16;
}

}  // namespace

std::optional<BmpHeader> ReadBmpHeader(const InputFile& file) {
    std::array<uint8_t, HeadBytes> head{};
    if (!file.IsRegular() || file.ReadAt(0, head.data(), HeadBytes) < 0) return std::nullopt;
    if (head[0] != 'B' || head[1] != 'M') return std::nullopt;
    BmpHeader h;
    h.dataOffset = Le32(&head[10]);
    h.infoSize = Le32(&head[14]);
    const uint8_t* info = &head[18];
    if (h.infoSize == CoreHeaderBytes) {
        h.width = static_cast<int32_t>(Le16(info));
        h.height = static_cast<int32_t>(Le16(info + 2));
        h.planes = Le16(info + 4);
        h.bitCount = Le16(info + 6);
        return h;
    }
    h.width = static_cast<int32_t>(Le32(info));
    h.height = static_cast<int32_t>(Le32(info + 4));
    h.planes = Le16(info + 8);
    h.bitCount = Le16(info + 10);
    h.compression = Le32(info + 12);
    // A header of 16 to 19 bytes ends before or inside the compression field: only the bytes it
    // holds count.
    if (h.infoSize >= 16 && h.infoSize < 20) h.compression &= (1u << 8 * (h.infoSize - 16)) - 1;
    return h;
}

bool HeaderCutShort(const BmpHeader& h, int64_t fileSize) {
    constexpr int64_t SizeFieldBytes = 4;
    return fileSize < FileHeaderBytes + SizeFieldBytes ||
           (KnownHeaderSize(h.infoSize) && fileSize < FileHeaderBytes + h.infoSize);
}

int64_t PaletteEntries(uint32_t bitCount) {
    return bitCount <= 8 ? 1 << bitCount : 0;
}

int64_t PaletteEntryBytes(uint32_t infoSize) {
    return infoSize == CoreHeaderBytes ? 3 : 4;
}

int64_t PixelDataOffset(const BmpHeader& h) {
    if (h.dataOffset != 0) return h.dataOffset;
    int64_t offset =
        FileHeaderBytes + h.infoSize + PaletteEntries(h.bitCount) * PaletteEntryBytes(h.infoSize);
    if (h.compression == BitFields && h.infoSize <= MaskOffset) offset += 12;
    return offset;
}

int64_t StoredRowBytes(int64_t width, uint32_t bitCount) {
    return (width * bitCount + 31) / 32 * 4;
}

int64_t RowsPresent(int64_t width, int64_t rows, uint32_t bitCount, int64_t available) {
    const int64_t pixelBytes = (width * bitCount + 7) / 8;
    if (available < pixelBytes) return 0;
    return std::min(rows, 1 + (available - pixelBytes) / StoredRowBytes(width, bitCount));
}

std::optional<BmpLayout> ResolveBmpLayout(const InputFile& file, const BmpHeader& h) {
    if (!KnownHeaderSize(h.infoSize) || FileHeaderBytes + h.infoSize > file.Size())
        return std::nullopt;
    BmpLayout layout;
    layout.infoSize = h.infoSize;
    layout.width = h.width;
    layout.topDown = h.height < 0;
    layout.height = layout.topDown ? -int64_t{h.height} : h.height;
    layout.bitCount = h.bitCount;
    layout.compression = h.compression;
    if (!Acceptable(layout, h.planes) || !ReadMasks(file, layout)) return std::nullopt;
    layout.dataOffset = PixelDataOffset(h);
    return layout;
}

}  // namespace picture
