// Windows BMP files (every header form; 1- to 32-bit pixels; bit fields; run-length coded 4- and
// 8-bit data), as the picture-file dispatcher sees them.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"

namespace picture {

// A file whose first byte is "B" is taken for a BMP; the header decides the rest.
bool IsBmp(std::span<const uint8_t> head);

ScreenResult LoadBmp(const InputFile& file, ImageBuffer* image, uint32_t* palette);

// The width and height fields as stored; nullopt when the file is no BMP.
std::optional<BitmapSize> ProbeBmpSize(const InputFile& file);

}  // namespace picture
