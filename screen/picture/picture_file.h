// A picture file read through one open file: what its header says, checked before anything is
// allocated for its picture, and then its pixels. Each format is one unit that gives a probe and a
// load, and one row in the dispatcher's table (formats.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "screen/bitmap.h"
#include "screen/picture/input_file.h"

namespace picture {

// What a format's header reader makes of a file before any pixel is decoded.
struct Probe {
    // The size ProbeBitmapSize tells: the header's width and height fields, a top-down BMP's
    // height made positive.
    BitmapSize stored;
    // The picture a whole load gives, each side below 2^32; rows counted positive whatever their
    // order in the file.
    int64_t width = 0;
    int64_t height = 0;
    // Why no whole picture of that size can come from this file, seen from its header and its
    // length alone: a header cut short or of a kind no loader takes, or too few bytes of pixels.
    std::optional<std::string> problem;
    // More pixels than PixelLimit(): no load of this file even starts.
    bool overPixelLimit = false;
};

// Why a load refused a file, when nothing more precise is known: its data ends early or is
// damaged, or its header describes a kind of picture that no unit decodes.
inline constexpr std::string_view CutShortOrUnsupportedText =
    "cut short or damaged, or a kind of picture that is not supported";

// The probe of the format `file` is in, with the pixel limit applied; nullopt when the file is no
// regular, readable file of a format that tells its size.
std::optional<Probe> ProbeFile(const InputFile& file);

// LoadBitmap on a file already open, so that a caller who probed it loads the very same file.
ScreenResult LoadFile(const InputFile& file, ImageBuffer* image, uint32_t* palette = nullptr);

}  // namespace picture
