// Picture files: loading Windows BMP files and raw image dumps into an ImageBuffer or onto the
// screen, and the size a file's header declares.
#pragma once

#include <cstdint>
#include <string>

#include "screen/screen.h"

// Decodes `fileName` into `image` (nullptr: onto the screen), converting to the destination's
// pixel format; only the overlap of file and destination is written. `palette`, if given,
// receives the file's 256-entry palette as 0x00BBGGRR. A picture of more pixels than PixelLimit()
// is refused (FileIO) before any of it is read.
ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image = nullptr,
                        uint32_t* palette = nullptr);

// Pictures of more pixels than this are refused before anything is allocated for them: about
// 2 GB of include file, and far beyond any screen.
inline constexpr int64_t DefaultPixelLimit = 100'000'000;

// The limit every picture reader enforces, for the whole process; DefaultPixelLimit until a
// program (bmp2bi --max-pixels) sets another. Values below 1 are taken as 1.
void SetPixelLimit(int64_t pixels);
int64_t PixelLimit();

struct BitmapSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Width and height from a BMP file's header; (0, 0) when the file is not a BMP or can't be read.
// Bytes missing from a file cut short count as 0.
BitmapSize ProbeBitmapSize(const std::string& path);
