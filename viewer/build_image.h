// Assembling the viewer's picture from its value stream.
#pragma once

#include "pixeldata/value_stream.h"
#include "screen/screen.h"

// Reads width, height and then A, R, G, B per pixel (row by row) from the stream's cursor and
// builds a 0xAARRGGBB image at the screen's depth; missing values read as 0. Gives nullptr, and
// reads nothing after the size, when no image of that size can be made. The caller destroys the
// image.
ImageBuffer* BuildImage(ValueStream& stream);
