// TIFF pictures whose samples this library reads itself, strip by strip or tile by tile, where
// libtiff's RGBA reader would lose something: CMYK with an alpha sample (the reader drops the
// alpha), and 16-bit associated alpha (the reader cuts the premultiplied colours to 8 bits before
// they can be divided by alpha, which costs semi-transparent pixels their colour). Internal to the
// picture library.
#pragma once

#include <tiffio.h>

#include "picture/picture.h"

namespace picture {

// Whether the first image is one of those.
bool ReadsOwnSamples(TIFF* tiff);

// Its pixels as stored, top row first, into `whole` (exactly the picture, 4-byte pixels): straight
// alpha, 16-bit samples (v + 128) / 257 once straight, CMYK by R = (255 - C) x (255 - K) / 255.
// Refused when a strip or tile cannot be decoded.
DecodeResult DecodeOwnSamples(TIFF* tiff, const PixelView& whole);

}  // namespace picture
