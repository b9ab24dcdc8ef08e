// Run-length coded BMP pixels: 8-bit data (compression 1) and 4-bit data (compression 2).
#pragma once

#include "picture/bmp_header.h"
#include "picture/bmp_pixels.h"

namespace picture {

// A stream must account for every row of its picture: it ends past the top row, or with the
// end-of-bitmap code once it has reached the top row. One that stops earlier, at the end of its
// bytes or with an early end of bitmap, declares rows it never gives: it is cut short, as an
// uncompressed file missing rows is. Within the rows it reaches, the pixels it passes over (a
// delta, a line ended early) keep their previous value: that is how the format leaves pixels
// unset.
//
// Decodes as far as the stream goes: refused for a stream cut short.
DecodeResult LoadRunLengthRows(const InputFile& file, const BmpLayout& h, RowSink& sink);

// The fewest bytes a whole stream of `rows` rows can have: rows are passed at most 255 at a time,
// by a 4-byte delta, and the stream ends with a 2-byte code. A file with fewer bytes of pixel data
// is refused before its picture is made.
int64_t RunLengthMinimumBytes(int64_t rows);

}  // namespace picture
