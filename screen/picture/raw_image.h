// Raw image files: a first byte 0xFE and a 32-bit length, or 0xFD, four ignored bytes and a
// 16-bit length; then that many bytes of image memory (an image with its header, or a frame
// buffer dump that a palette may follow).
#pragma once

#include <cstdint>
#include <span>

#include "screen/picture/input_file.h"
#include "screen/screen.h"

namespace picture {

bool IsRawImage(std::span<const uint8_t> head);

ScreenResult LoadRawImage(const InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace picture
