// Where a loaded picture goes: an image or the screen, and the screen's palette.
#pragma once

#include <array>
#include <cstdint>

#include "screen/internal.h"

namespace picture {

using Palette = std::array<uint32_t, 256>;  // 0x00BBGGRR, red in the low byte

// A destination whose header promises more than its rows can hold is never written.
bool Writable(const screen_internal::Surface& s);

// Copies the first `count` entries into the screen's palette and, if asked, hands the whole
// screen palette to the caller.
void InstallPalette(const Palette& entries, int64_t count, uint32_t* callerPalette);

}  // namespace picture
