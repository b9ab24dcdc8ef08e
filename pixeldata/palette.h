// The palette form's content: a picture's colours, each once, and one index a pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"

// The most colours the palette form holds: an index is one byte.
inline constexpr uint64_t MostPaletteColours = 256;

struct IndexedColours {
    std::vector<uint32_t> colours;  // 0xAARRGGBB, in the order they first appear
    std::vector<uint8_t> indices;   // one a pixel, row by row
    // The picture's colours; 0 when there are more than MostPaletteColours, and `colours` and
    // `indices` are then empty.
    uint64_t colourCount = 0;
};

// The exact palette of `picture`: every colour it holds, alpha included, once. Gives up at the
// first colour too many (CountColours then says how many there are).
IndexedColours IndexColours(const picture::PixelView& picture);

// Whether `picture` holds at most `most` colours (up to MostPaletteColours), alpha included.
bool HoldsAtMostColours(const picture::PixelView& picture, uint64_t most);

// How many colours `picture` holds, alpha included.
uint64_t CountColours(const picture::PixelView& picture);
