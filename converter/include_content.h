// What bmp2bi does to a shaped picture before it is written, and the pictures of the include file
// that come of it: transparent pixels made the mask colour, colours reduced, the picture cut into
// tiles, each written in the chosen form.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "converter/shaping.h"
#include "pixeldata/palette.h"
#include "pixeldata/writer.h"

struct PixelTreatment {
    // Pixels of less alpha become the mask colour 0xFFFF00FF, which the screen's mask blit and
    // the viewer leave out.
    std::optional<uint32_t> maskBelow;
    // The palette form: reduce to at most this many colours where the picture has more, by
    // `reduce` (ReduceColours of quantise.h, which only bmp2bi links).
    std::optional<int> colours;
    bool dither = false;
    std::function<std::string(const picture::PixelView&, int colours, bool dither)> reduce;
    // Cut into tiles of this size, in reading order; those at the right and bottom edges may be
    // smaller.
    std::optional<Dimensions> tiles;
};

inline constexpr uint32_t DefaultMaskAlpha = 128;
// The most tiles one picture is cut into: a 4096 x 4096 sheet of 16 x 16 sprites. More would be a
// slip of the fingers (--tiles 1x1 on a photo) that costs a label and a section a pixel.
inline constexpr int64_t MostTiles = 65536;

struct IncludeContent {
    std::vector<IncludeSection> sections;
    std::vector<IndexedColours> palettes;  // what the sections' colours and indices point into
    std::string problem;                   // why the picture cannot be written so; then no sections
};

// Treats `picture` in place and lays it out for the include file: one section, or one a tile
// labelled `label`_0, `label`_1 and so on. Refused when it would make more than MostTiles tiles,
// in the palette form when a picture has more than 256 colours and no reduction is asked for, and
// in the numbered dialect when its lines need numbers above 65529.
IncludeContent PrepareContent(const picture::PixelView& picture, const std::string& label,
                              const IncludeFormat& format, const PixelTreatment& treatment);

// The tiles of `picture`, row by row.
std::vector<picture::PixelView> CutTiles(const picture::PixelView& picture, Dimensions tile);
