// The headers at the start of a BMP file, read in this one place for the size probe, the
// converter's checks and the loader. Every field is little-endian.
#pragma once

#include <cstdint>
#include <optional>

#include "picture/input_file.h"

namespace picture {

inline constexpr int64_t FileHeaderBytes = 14;
inline constexpr uint32_t CoreHeaderBytes = 12;  // the short form, with 16-bit sizes

enum Compression : uint32_t { Plain = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// The header fields as stored, whatever they say. Bytes the file lacks read as 0.
struct BmpHeader {
    uint32_t dataOffset = 0;  // 0: the pixels follow the palette
    uint32_t infoSize = 0;
    int32_t width = 0;   // the core header's 16-bit sizes are unsigned
    int32_t height = 0;  // negative: rows stored top-down
    uint32_t planes = 0;
    uint32_t bitCount = 0;
    uint32_t compression = Plain;  // the core header has none
};

// The headers of a regular file that begins with "BM"; nullopt for any other file, or when it
// can't be read.
std::optional<BmpHeader> ReadBmpHeader(const InputFile& file);

// The file ends before its information header does, or before the header's size field.
bool HeaderCutShort(const BmpHeader& h, int64_t fileSize);

// Where the pixels start: the stored offset or, for 0, right after the palette and the bit-field
// masks that follow a short header.
int64_t PixelDataOffset(const BmpHeader& h);

// Palette entries: 2^bitCount for up to 8 bits, else none; 3 bytes each in the core form, 4 else.
int64_t PaletteEntries(uint32_t bitCount);
int64_t PaletteEntryBytes(uint32_t infoSize);

// Bytes of one stored row of `width` pixels, padded to whole 32-bit words.
int64_t StoredRowBytes(int64_t width, uint32_t bitCount);

// How many of `rows` stored rows the `available` bytes after the pixel-data offset hold. A row
// counts when its pixels are there: the last row's padding may be missing.
int64_t RowsPresent(int64_t width, int64_t rows, uint32_t bitCount, int64_t available);

struct ChannelMasks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
    uint32_t alpha = 0;
};

// A header the loader accepts, resolved for decoding its pixels.
struct BmpLayout {
    uint32_t infoSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
    uint32_t bitCount = 0;
    uint32_t compression = Plain;
    int64_t dataOffset = 0;
    ChannelMasks masks;
};

// The loader's reading of `h`, with the channel masks read from the file; nullopt for a header it
// refuses: a header size of no known form or longer than the file, no pixels, or a bit count,
// compression and row order that do not go together.
std::optional<BmpLayout> ResolveBmpLayout(const InputFile& file, const BmpHeader& h);

}  // namespace picture
