// The pointer buttons as the X window system numbers them.
#pragma once

#include <cstdint>
#include <optional>

namespace screen_internal {

// This layer's button bit (0 left, 1 right, 2 middle, 3 and 4 the extra buttons) of X button
// `button`; none for the wheel (4-7), which arrives as wheel events, and for unknown buttons.
std::optional<int32_t> ButtonBitOfX11Button(uint32_t button);

}  // namespace screen_internal
