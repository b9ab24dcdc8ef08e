// Run-length coded BMP pixels: 8-bit data (compression 1) and 4-bit data (compression 2).
#pragma once

#include "screen/picture/bmp_header.h"
#include "screen/picture/bmp_pixels.h"

namespace picture {

// Decodes until the end-of-bitmap code or the top of the picture; a stream that stops before
// either is cut short (FileIO). Pixels the stream never sets keep their previous value.
ScreenResult LoadRunLengthRows(const InputFile& file, const BmpLayout& h, RowSink& sink);

}  // namespace picture
