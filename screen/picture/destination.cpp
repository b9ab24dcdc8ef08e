#include "screen/picture/destination.h"

#include <algorithm>

namespace picture {

bool Writable(const screen_internal::Surface& s) {
    const int32_t bpp = s.bytesPerPixel;
    return s.pixels && (bpp == 1 || bpp == 2 || bpp == 4) && s.pitch >= int64_t{s.width} * bpp;
}

void InstallPalette(const Palette& entries, int64_t count, uint32_t* callerPalette) {
    screen_internal::ScopedScreenLock lock;
    Palette& screenPalette = screen_internal::ScreenPalette();
    std::copy_n(entries.begin(), count, screenPalette.begin());
    screen_internal::PaletteChanged();
    if (callerPalette) std::copy(screenPalette.begin(), screenPalette.end(), callerPalette);
}

}  // namespace picture
