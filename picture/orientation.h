// Pictures stored turned or mirrored, as cameras write them with an EXIF orientation tag (or
// HEIF's own transforms), and decoders that produce a whole picture at once: both decode into a
// picture of the stored size, then copy into the destination, upright where that applies.
// Internal to the picture library.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "picture/picture.h"

namespace picture {

// The EXIF orientation values: 1 stored upright, 2 mirrored left to right, 3 turned half round,
// 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 to be turned a quarter
// clockwise, 7 mirrored along the other diagonal, 8 to be turned a quarter anticlockwise.
inline constexpr int Upright = 1;

// The orientation an EXIF block (a TIFF structure, with or without the "Exif\0\0" that JPEG and
// WebP put before it) gives its picture, read by libexif from the first image directory:
// Upright when there is none, or when it is damaged or out of range.
int ExifOrientation(std::span<const uint8_t> exif);

// `tagged` as it applies: Upright when orientations are not applied (SetApplyOrientation) or the
// value is out of range.
int AppliedOrientation(int tagged);

// Whether the orientation swaps width and height.
inline bool SwapsSides(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The probe's sizes for a picture stored `width` x `height` with that orientation.
void SetUprightSize(ProbeResult& probe, int64_t width, int64_t height, int orientation);

// Fills a view of exactly the stored picture (4-byte 0xAARRGGBB pixels, rows `pitch` apart).
using WholeDecoder = std::function<DecodeResult(const PixelView& whole)>;

// Decodes a picture stored `width` x `height` with `orientation` into `dest`, as Decode does:
// straight into `dest` when it takes the whole upright picture in 4-byte pixels (and, with
// `packedRows`, rows exactly 4 x width apart), else through a block of its own that is turned
// and copied into the overlap once the decode succeeded.
DecodeResult DecodeWhole(const PixelView& dest, int64_t width, int64_t height, int orientation,
                         const WholeDecoder& decode, bool packedRows = false);

}  // namespace picture
