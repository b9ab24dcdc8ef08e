// Picture files: loading Windows BMP, PNG, JPEG and GIF files and raw image dumps into an
// ImageBuffer or onto the screen, and the size a file's header declares.
#pragma once

#include <cstdint>
#include <string>

#include "screen/screen.h"

// Decodes `fileName` into `image` (nullptr: onto the screen), converting to the destination's
// pixel format; only the overlap of file and destination is written, from the top-left corner,
// and pixels outside it keep their values. The file's first bytes tell its kind: "B" a BMP,
// 0xFD or 0xFE a raw image file, then the PNG signature, a JPEG start (FF D8 FF), "GIF87a" or
// "GIF89a"; anything else is FileIO, as is a damaged or cut-short file (the rows stored before
// the damage stay). A picture of more pixels than PixelLimit() is refused (FileIO) before any of
// it is read.
//
// Pixels become straight (not premultiplied) 0xAARRGGBB; 2-byte destinations take their 5-6-5
// form. The alpha and colour values are part of the include files' data contract:
// - BMP: palette and 16- and 24-bit pixels are opaque; 32-bit pixels take their alpha mask, so a
//   plain file the fourth byte and a bit-field file with a short header (no alpha mask) alpha 0.
//   `palette`, if given, receives a palette file's 256-entry palette as 0x00BBGGRR; palette
//   files load into 1-byte destinations as indices.
// - PNG, JPEG, GIF: values as stored, with no gamma or colour-profile correction. 16-bit
//   channels give their high byte; greyscale of d = 1, 2 or 4 bits is scaled by v x 255 /
//   (2^d - 1), and is R = G = B. PNG transparency: a grey or RGB sample equal (at full depth) to
//   the transparency chunk's gives alpha 0, palette entries take their alpha from the chunk (255
//   past its end); interlaced files are decoded whole. JPEG: as libjpeg-turbo decodes it by
//   default (accurate integer transform, smooth upsampling), alpha 255. GIF: the first image of
//   the file on its logical screen (the screen's pixels outside that image keep their values),
//   its transparent index alpha 0 with that entry's colour, others alpha 255. These colours do
//   not fit a 1-byte destination (IllegalCall).
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

// Width and height from a picture file's header, as LoadBitmap would make the picture: a BMP's
// fields (a top-down BMP's height made positive; bytes missing from a file cut short count as
// 0), a PNG's header chunk, a JPEG's frame header, a GIF's logical screen. (0, 0) when the file
// is none of these or can't be read.
BitmapSize ProbeBitmapSize(const std::string& path);
