// Colour reduction for the palette form, by libimagequant: a picture of many colours brought to
// a palette of at most 256.
#pragma once

#include <string>

#include "picture/picture.h"

// The fewest and the most colours a reduction asks for.
inline constexpr int FewestReducedColours = 2;
inline constexpr int MostReducedColours = 256;

// Replaces every pixel of `picture` by its nearest colour of a palette of at most `colours`
// (FewestReducedColours to MostReducedColours) that libimagequant chooses, alpha included;
// dithered only if `dither`. Pixels of the mask colour keep it, and it counts among the colours
// (though the library chooses at least FewestReducedColours others).
// Empty on success, otherwise why not (the picture is then unchanged).
std::string ReduceColours(const picture::PixelView& picture, int colours, bool dither);
