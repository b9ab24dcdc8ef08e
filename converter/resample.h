// Pictures brought to another size: filtered resampling that weights colours by alpha, pixel
// repetition for whole-number enlargements, and parts of a picture as views.
#pragma once

#include <cstdint>

#include "picture/picture.h"

// `source` (straight-alpha 0xAARRGGBB) resampled to width x height with the triangle filter,
// widened when shrinking (Pillow's BILINEAR), on the values as stored (no gamma). Colours are
// weighted by alpha, so a transparent pixel lends its neighbours no colour; the filter has no
// negative lobes, so no colour rings where alpha is clipped. Shrinking by 4 or more first averages
// whole blocks of pixels down to at most twice the final size, as Pillow's reducing_gap=2 does: the
// filter then reads far fewer pixels for nearly the same result. The filter runs on every core,
// with the same result on any number of them. Empty when memory is short or a side exceeds what the
// resampler takes (2^31 - 1).
picture::Pixels ResampleFiltered(const picture::PixelView& source, int64_t width, int64_t height);

// Every pixel of `source` repeated `factorX` times across and `factorY` times down: enlarged pixel
// art stays sharp. Empty when memory is short.
picture::Pixels EnlargeByRepeating(const picture::PixelView& source, int64_t factorX,
                                   int64_t factorY);

// The width x height part of `source` whose top-left pixel is (x, y); it must lie inside.
picture::PixelView PartOf(const picture::PixelView& source, int64_t x, int64_t y, int64_t width,
                          int64_t height);
