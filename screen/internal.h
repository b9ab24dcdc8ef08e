// What the screen layer's own units share: the process-wide state behind the public calls.
// Nothing outside screen/ includes this.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "screen/screen.h"

namespace screen_internal {

// A drawing target resolved to raw memory: the screen's frame buffer or an image's pixel rows.
struct Surface {
    uint8_t* pixels = nullptr;  // pixel (0, 0)
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t bytesPerPixel = 0;
    bool isScreen = false;
};

// The screen's frame buffer as a surface; pixels is nullptr without an open screen.
Surface ScreenSurface();
// An ImageBuffer (type 7) or legacy-header image as a surface; pixels is nullptr if `image` is
// neither.
Surface ImageSurface(const void* image);
// nullptr -> the screen, otherwise the image.
Surface ResolveTarget(ImageBuffer* target);

// Holds the screen lock for a scope, marking the rows given to MarkDirty dirty on release, clipped
// to the screen.
class ScopedScreenLock {
public:
    ScopedScreenLock();
    ~ScopedScreenLock();
    ScopedScreenLock(const ScopedScreenLock&) = delete;
    ScopedScreenLock& operator=(const ScopedScreenLock&) = delete;
    void MarkDirty(int32_t first, int32_t last);

private:
    int32_t first_ = std::numeric_limits<int32_t>::max();  // none yet: first_ > last_
    int32_t last_ = std::numeric_limits<int32_t>::min();
};

// The screen's 256-entry palette (0x00BBGGRR); only meaningful while a screen is open.
std::array<uint32_t, 256>& ScreenPalette();
// Tells the back end the palette changed (palette bitmaps loaded onto the screen).
void PaletteChanged();

}  // namespace screen_internal
