// Raw image files: a first byte 0xFE and a 32-bit length, or 0xFD, four ignored bytes and a
// 16-bit length; then that many bytes of image memory (an image with its header, or a frame
// buffer dump that a palette may follow).
#pragma once

#include <cstdint>
#include <span>

#include "picture/input_file.h"
#include "picture/picture.h"
#include "screen/screen.h"

namespace screen_internal {

// Whether the file begins as a raw image file does.
bool IsRawImageFile(const picture::InputFile& file);

// Copies the first `count` entries into the screen's palette and, if asked, hands the whole
// screen palette to the caller.
void InstallPalette(const picture::Palette& entries, int64_t count, uint32_t* callerPalette);

ScreenResult LoadRawImage(const picture::InputFile& file, ImageBuffer* image, uint32_t* palette);

}  // namespace screen_internal
