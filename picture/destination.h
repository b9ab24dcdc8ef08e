// Where decoded pixels go: rows of memory in 4-, 2- or 1-byte pixels.
#pragma once

#include <cstdint>
#include <cstring>

#include "picture/picture.h"

namespace picture {

// A destination whose pixel size is unknown, or whose pitch is shorter than its rows, is never
// written.
bool Writable(const PixelView& view);

inline void Store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
inline void Store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
inline uint16_t To565(uint32_t c) {
    return static_cast<uint16_t>(((c >> 8) & 0xF800) | ((c >> 5) & 0x07E0) | ((c >> 3) & 0x001F));
}

// The destination of a picture decoded to colours (0xAARRGGBB) rather than palette indices:
// 4-byte pixels take the colours as they are, 2-byte pixels their 5-6-5 form. A destination of
// 1-byte indices takes none: no index can carry a colour with its alpha.
class ColourDestination {
public:
    // `width` x `height`: the picture.
    ColourDestination(const PixelView& dest, int64_t width, int64_t height);

    bool Usable() const;
    // The overlap of the picture and the destination: pixels [0, CopyWidth()) of rows
    // [0, CopyHeight()) are stored, the others keep their values.
    int64_t CopyWidth() const { return copyWidth_; }
    int64_t CopyHeight() const { return copyHeight_; }
    // Rows that a decoder can write 0xAARRGGBB pixels into straight away, `pitch` bytes apart,
    // when the destination has 4-byte pixels and holds the whole picture; else nullptr.
    uint8_t* WholePicture(int64_t& pitch) const;
    // Stores CopyWidth() colours into row y (< CopyHeight()).
    void StoreRow(int64_t y, const uint32_t* colours) const;
    // Stores the colours of pixels x = first, first + step, ... below `end` and CopyWidth() into
    // row y, taken from the same places of `colours`.
    void StoreEvery(int64_t y, const uint32_t* colours, int64_t first, int64_t end,
                    int64_t step) const;

private:
    PixelView dest_;
    int64_t pictureWidth_ = 0;
    int64_t pictureHeight_ = 0;
    int64_t copyWidth_ = 0;
    int64_t copyHeight_ = 0;
};

}  // namespace picture
