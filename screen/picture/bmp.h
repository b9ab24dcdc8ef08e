// Windows BMP files (every header form; 1- to 32-bit pixels; bit fields; run-length coded 4- and
// 8-bit data), as the picture-file dispatcher sees them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"
#include "screen/picture/picture_file.h"

namespace picture {

// A file whose first byte is "B" is taken for a BMP; the header decides the rest.
bool IsBmp(std::span<const uint8_t> head);

// The sizes as stored and, for a header the loader refuses or pixel data too short for the
// declared picture, why; nullopt when the file does not begin with "BM".
std::optional<Probe> ProbeBmp(const InputFile& file);

ScreenResult LoadBmp(const InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace picture
