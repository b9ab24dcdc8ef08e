#include "screen/x11/buttons.h"

namespace screen_internal {

std::optional<int32_t> ButtonBitOfX11Button(uint32_t button) {
    switch (button) {
        case 1:
            return 0;  // left
        case 3:
            return 1;  // right
        case 2:
            return 2;  // middle
        case 8:
            return 3;  // back
        case 9:
            return 4;  // forward
        default:
            return std::nullopt;
    }
}

}  // namespace screen_internal
