#include "screen/window/placement.h"

#include <algorithm>
#include <cstring>

namespace screen_internal {

namespace {

// Division rounding towards minus infinity, so that the scaled pixels left of and above the
// frame map to -1 and not to 0.
int32_t FloorDiv(int32_t a, int32_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

Placement PlaceFrame(int32_t frameWidth, int32_t frameHeight, int32_t areaWidth,
                     int32_t areaHeight) {
    Placement p;
    p.scale = std::max(1, std::min(areaWidth / frameWidth, areaHeight / frameHeight));
    p.offsetX = std::max(0, (areaWidth - frameWidth * p.scale) / 2);
    p.offsetY = std::max(0, (areaHeight - frameHeight * p.scale) / 2);
    return p;
}

FramePoint FramePointOf(const Placement& placement, int32_t frameWidth, int32_t frameHeight,
                        int32_t windowX, int32_t windowY) {
    FramePoint point;
    point.x = FloorDiv(windowX - placement.offsetX, placement.scale);
    point.y = FloorDiv(windowY - placement.offsetY, placement.scale);
    point.inside = point.x >= 0 && point.y >= 0 && point.x < frameWidth && point.y < frameHeight;
    return point;
}

WindowPoint WindowPointOf(const Placement& placement, int32_t x, int32_t y) {
    return {placement.offsetX + x * placement.scale, placement.offsetY + y * placement.scale};
}

WindowRect RowBand(const Placement& placement, int32_t frameWidth, int32_t first, int32_t last) {
    return {placement.offsetX, placement.offsetY + first * placement.scale,
            frameWidth * placement.scale, (last - first + 1) * placement.scale};
}

void CopyPlacedRows(const Placement& placement, const uint8_t* frame, int32_t frameWidth,
                    int32_t first, int32_t last, const PixelTarget& target) {
    const int32_t scale = placement.scale;
    const int32_t columns = std::min(frameWidth * scale, target.width - placement.offsetX);
    if (columns <= 0) return;
    for (int32_t y = first; y <= last; ++y) {
        const auto* src =
            reinterpret_cast<const uint32_t*>(frame + static_cast<int64_t>(y) * frameWidth * 4);
        for (int32_t copy = 0; copy < scale; ++copy) {
            const int32_t outY = placement.offsetY + y * scale + copy;
            if (outY < 0 || outY >= target.height) break;
            auto* dst = reinterpret_cast<uint32_t*>(target.pixels +
                                                    static_cast<int64_t>(outY) * target.pitch) +
                        placement.offsetX;
            if (scale == 1) {
                std::memcpy(dst, src, static_cast<size_t>(columns) * 4);
                continue;
            }
            for (int32_t x = 0; x < columns; ++x) dst[x] = src[x / scale];
        }
    }
}

}  // namespace screen_internal
