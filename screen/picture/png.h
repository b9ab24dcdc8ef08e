// PNG files, decoded by libspng: every colour type and bit depth, transparency chunks, interlace.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"
#include "screen/picture/picture_file.h"

namespace picture {

// The eight bytes of the PNG signature.
bool IsPng(std::span<const uint8_t> head);

// The size from the header chunk, with why no picture can come of it if the header is damaged
// or the file is too short for that many pixels.
std::optional<Probe> ProbePng(const InputFile& file);

ScreenResult LoadPng(const InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace picture
