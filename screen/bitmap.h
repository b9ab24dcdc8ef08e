// Loading Windows BMP files and raw image dumps into an ImageBuffer or onto the screen.
#pragma once

#include <string>

#include "screen/screen.h"

// Decodes `fileName` into `image` (nullptr: onto the screen), converting to the destination's
// pixel format; only the overlap of file and destination is written. `palette`, if given,
// receives the file's 256-entry palette as 0x00BBGGRR.
ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image = nullptr,
                        uint32_t* palette = nullptr);
