// Where the frame sits in the window. In a window it fills the client area at scale 1; at full
// screen it is shown at the largest whole scale that fits, centred between black bars.
#pragma once

#include <cstdint>

namespace screen_internal {

struct Placement {
    int32_t scale = 1;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
};

// The frame of frameWidth x frameHeight in an area of areaWidth x areaHeight (at least scale 1).
Placement PlaceFrame(int32_t frameWidth, int32_t frameHeight, int32_t areaWidth,
                     int32_t areaHeight);

struct FramePoint {
    int32_t x = 0;
    int32_t y = 0;
    bool inside = false;
};
// The frame pixel under a window position (left of or above the frame counts as negative, even
// within one scaled pixel) and whether it lies in a frame of frameWidth x frameHeight.
FramePoint FramePointOf(const Placement& placement, int32_t frameWidth, int32_t frameHeight,
                        int32_t windowX, int32_t windowY);

struct WindowPoint {
    int32_t x = 0;
    int32_t y = 0;
};
// The window position of frame pixel (x, y): its top-left corner as shown.
WindowPoint WindowPointOf(const Placement& placement, int32_t x, int32_t y);
struct WindowRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};
// The window area that frame rows first..last cover.
WindowRect RowBand(const Placement& placement, int32_t frameWidth, int32_t first, int32_t last);

// 32-bit pixel rows to show the frame in (a window surface).
struct PixelTarget {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};
// Copies frame rows first..last (32-bit pixels, frameWidth per row, no padding) into the target
// as placed, each pixel repeated scale x scale times; what falls outside the target is cut.
void CopyPlacedRows(const Placement& placement, const uint8_t* frame, int32_t frameWidth,
                    int32_t first, int32_t last, const PixelTarget& target);

}  // namespace screen_internal
