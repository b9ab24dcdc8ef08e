// What a HEIF file's boxes say its primary image is, read before libheif sees the file: which
// kind of item, the size its decode gives (a grid's own output size, the crop, quarter turns and
// mirrors applied as libheif applies them), and how many tiles a grid has. Sizes, tile counts and
// crops that cannot make a picture are refused here, in the file's own numbers, before any
// decoder allocates for them. Internal to the picture library.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "picture/input_file.h"

namespace picture {

// More tiles than any camera writes (a 48-megapixel photo has 192 of 512 x 512): each costs
// libheif an item and a decode of its own.
inline constexpr int64_t MaxGridTiles = 1024;

struct HeifLayout {
    std::string majorBrand;
    std::vector<std::string> brands;  // the compatible ones
    std::string primaryKind;          // "hvc1", "av01", "grid", "unci"...
    // The primary image as coded: its ispe, or a grid's output size.
    int64_t storedWidth = 0;
    int64_t storedHeight = 0;
    // After its crop, turns and mirrors, when they are applied.
    int64_t width = 0;
    int64_t height = 0;
    // A grid's tiles, and the size of its first.
    int64_t tiles = 0;
    int64_t tileWidth = 0;
    int64_t tileHeight = 0;
    // The longest side any image of the file has that a decode of the primary one reads.
    int64_t longestSide = 0;
    std::string problem;  // empty when nothing speaks against decoding it
};

HeifLayout ReadHeifLayout(const InputFile& file, bool applyTransforms);

// Whether the file starts with a file type box that names a HEIF brand.
bool HasHeifBrand(std::span<const uint8_t> head);

}  // namespace picture
