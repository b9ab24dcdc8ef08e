#include "screen/window/shown_rows.h"

#include <cstring>

namespace screen_internal {

bool KeepChangedRows(const ShownRows& shown, const uint8_t* frame, int32_t width, int32_t& first,
                     int32_t& last) {
    if (shown.pixels.empty()) return true;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const auto changed = [&](int32_t row) {
        const size_t at = rowBytes * static_cast<size_t>(row);
        return std::memcmp(frame + at, shown.pixels.data() + at, rowBytes) != 0;
    };
    while (first <= last && !changed(first)) ++first;
    while (last > first && !changed(last)) --last;
    return first <= last;
}

void RememberRows(ShownRows& shown, const uint8_t* frame, int32_t width, int32_t height,
                  int32_t first, int32_t last) {
    if (shown.pixels.empty() && (first != 0 || last != height - 1)) return;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    shown.pixels.resize(rowBytes * static_cast<size_t>(height));
    std::memcpy(shown.pixels.data() + rowBytes * static_cast<size_t>(first),
                frame + rowBytes * static_cast<size_t>(first),
                rowBytes * static_cast<size_t>(last - first + 1));
}

}  // namespace screen_internal
