// JPEG files, decoded by libjpeg-turbo's TurboJPEG API: baseline and progressive, greyscale and
// colour with any subsampling, restart markers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"
#include "screen/picture/picture_file.h"

namespace picture {

// A start of image marker followed by another marker: FF D8 FF.
bool IsJpeg(std::span<const uint8_t> head);

// The size from the frame header, found by walking the markers before the image data, with why
// no picture can come of it (no frame header, or a kind of JPEG the decoder has no colours for).
std::optional<Probe> ProbeJpeg(const InputFile& file);

ScreenResult LoadJpeg(const InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace picture
