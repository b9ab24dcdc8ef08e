// The strips or tiles of a TIFF's first image, checked before any of them is decoded: each must
// hold data, and enough of it for what it decodes to at the largest ratio its compression can
// reach, so that a file of a few bytes that declares a huge picture is refused before anything
// is allocated for it (as PNG, JPEG and GIF files are). Internal to the picture library.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>

namespace picture {

struct StripCheck {
    std::string problem;  // empty when every strip or tile can hold its pixels
    // The most bytes one strip or tile decodes to (all planes of it): what libtiff's reader
    // holds beside the picture.
    int64_t largestBytes = 0;
    // Uncompressed tiles: libtiff reads those that hold more bytes than they need (as tiffcp
    // writes them) only from a file it has mapped.
    bool rawTiles = false;
};

StripCheck CheckStrips(TIFF* tiff);

}  // namespace picture
