// Picture files onto the screen or into an ImageBuffer: every format the picture library reads
// (BMP, PNG, JPEG, GIF, WebP, TIFF, HEIC, AVIF) and raw image dumps, and the size a file's header
// declares.
#pragma once

#include <cstdint>
#include <string>

#include "picture/picture.h"
#include "screen/screen.h"

// Decodes `fileName` into `image` (nullptr: onto the screen), converting to the destination's
// pixel format; only the overlap of file and destination is written, from the top-left corner,
// and pixels outside it keep their values. The file's first bytes tell its kind: 0xFD or 0xFE a
// raw image file, otherwise the picture library's signatures (picture/formats.cpp); anything else
// is FileIO, as is a damaged or cut-short file (the rows stored before the damage stay). A
// picture of more pixels than PixelLimit() is refused (FileIO) before any of it is read.
//
// Pixels are as the picture library gives them (picture/picture.h); 2-byte destinations take
// their 5-6-5 form. `palette`, if given, receives a palette BMP's 256-entry palette as
// 0x00BBGGRR; palette BMPs load into 1-byte destinations as indices, other pictures' colours do
// not fit them (IllegalCall).
//
// An image is decoded into without the screen lock (one image must not be drawn into from two
// threads at once anyway); only the screen as the destination and its palette take it.
ScreenResult LoadBitmap(const std::string& fileName, ImageBuffer* image = nullptr,
                        uint32_t* palette = nullptr);

using picture::DefaultPixelLimit;
using picture::PixelLimit;
using picture::SetPixelLimit;

struct BitmapSize {
    int32_t width = 0;
    int32_t height = 0;
};

// Width and height from a picture file's header, as LoadBitmap would make the picture: the
// probe's stored size (picture/picture.h: a BMP's fields, a top-down BMP's height made positive,
// bytes missing from a file cut short counting as 0; a PNG's header chunk, a GIF's logical screen,
// ...). (0, 0) when the file is of no format read or can't be read.
BitmapSize ProbeBitmapSize(const std::string& path);
