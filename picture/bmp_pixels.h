// BMP pixels: how one stored row turns into the destination's pixel format, and the rows of an
// uncompressed file.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/bmp_header.h"
#include "picture/destination.h"
#include "picture/formats.h"

namespace picture {

// One colour channel of a pixel word: value = (pixel >> shift) & mask, `bits` wide.
struct Channel {
    uint32_t shift = 0;
    uint32_t mask = 0;
    uint32_t bits = 0;
};

// How one file row turns into 0xAARRGGBB pixels.
struct RowFormat {
    uint32_t bitCount = 0;
    Channel red, green, blue, alpha;
    bool hasAlpha = false;  // 32-bit pixels take alpha from their mask, others are opaque
    std::array<uint32_t, 256> colours{};  // palette formats: index -> 0xAARRGGBB
};

RowFormat MakeRowFormat(const BmpLayout& h, const Palette& palette);

// Where decoded pixels go: one row of the destination in its own pixel format.
struct RowSink {
    const PixelView& dest;
    RowFormat format;
    std::vector<uint8_t> scratch;  // 0xAARRGGBB or index row for narrower destinations
};

// Palette colours of `count` indices. The three memory blocks never overlap, which lets the
// compiler look up several colours before each store.
inline void LookUpColours(const uint32_t* __restrict colours, const uint8_t* __restrict indices,
                          int64_t count, uint8_t* __restrict row) {
    for (int64_t x = 0; x < count; ++x) Store32(row + x * 4, colours[indices[x]]);
}

// Stores `count` palette indices at `row` in the destination's format. Inline: the run-length
// decoder stores pixel by pixel.
inline void StoreIndices(const RowSink& sink, const uint8_t* indices, int64_t count, uint8_t* row) {
    const std::array<uint32_t, 256>& colours = sink.format.colours;
    switch (sink.dest.bytesPerPixel) {
        case 1:
            std::memcpy(row, indices, static_cast<size_t>(count));
            break;
        case 2:
            for (int64_t x = 0; x < count; ++x) Store16(row + x * 2, To565(colours[indices[x]]));
            break;
        default:
            LookUpColours(colours.data(), indices, count, row);
    }
}

// Converts the first `count` pixels of the file row `in` into destination row `y`.
void StoreFileRow(RowSink& sink, const uint8_t* in, int64_t count, int64_t y);

// Reads the uncompressed rows that land in the destination. Refused when the file holds fewer
// rows than it declares; the rows it holds are stored all the same.
DecodeResult LoadPlainRows(const InputFile& file, const BmpLayout& h, RowSink& sink);

}  // namespace picture
