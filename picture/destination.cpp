#include "picture/destination.h"

#include <algorithm>

namespace picture {

bool Writable(const PixelView& v) {
    const int32_t bpp = v.bytesPerPixel;
    return v.pixels && (bpp == 1 || bpp == 2 || bpp == 4) && v.width >= 0 && v.height >= 0 &&
           v.pitch >= v.width * bpp;
}

ColourDestination::ColourDestination(const PixelView& dest, int64_t width, int64_t height)
    : dest_(dest), pictureWidth_(width), pictureHeight_(height) {
    if (!Usable()) return;
    copyWidth_ = std::min<int64_t>(width, dest_.width);
    copyHeight_ = std::min<int64_t>(height, dest_.height);
}

bool ColourDestination::Usable() const {
    return Writable(dest_) && dest_.bytesPerPixel != 1;
}

uint8_t* ColourDestination::WholePicture(int64_t& pitch) const {
    pitch = dest_.pitch;
    const bool whole = copyWidth_ == pictureWidth_ && copyHeight_ == pictureHeight_;
    return whole && dest_.bytesPerPixel == 4 ? dest_.pixels : nullptr;
}

void ColourDestination::StoreRow(int64_t y, const uint32_t* colours) const {
    uint8_t* row = dest_.pixels + y * dest_.pitch;
    if (dest_.bytesPerPixel == 4) {
        std::memcpy(row, colours, static_cast<size_t>(copyWidth_ * 4));
        return;
    }
    for (int64_t x = 0; x < copyWidth_; ++x) Store16(row + x * 2, To565(colours[x]));
}

void ColourDestination::StoreEvery(int64_t y, const uint32_t* colours, int64_t first, int64_t end,
                                   int64_t step) const {
    uint8_t* row = dest_.pixels + y * dest_.pitch;
    end = std::min(end, copyWidth_);
    for (int64_t x = first; x < end; x += step) {
        if (dest_.bytesPerPixel == 4) {
            Store32(row + x * 4, colours[x]);
        } else {
            Store16(row + x * 2, To565(colours[x]));
        }
    }
}

}  // namespace picture
