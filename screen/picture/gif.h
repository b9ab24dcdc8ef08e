// GIF files, decoded by giflib: the first image of the file on its logical screen, interlaced or
// not, with its transparent colour.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"
#include "screen/picture/picture_file.h"

namespace picture {

// "GIF87a" or "GIF89a".
bool IsGif(std::span<const uint8_t> head);

// The logical screen's size, with why no picture can come of the file: no image in it, or a
// first image that is empty, has no colours or does not lie within the screen.
std::optional<Probe> ProbeGif(const InputFile& file);

ScreenResult LoadGif(const InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace picture
