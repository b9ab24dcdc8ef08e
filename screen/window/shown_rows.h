// What a window shows, row by row, as last presented. The toolkit redraws an unchanged frame
// every frame; a back end that knows what it shows sends only the rows that changed.
#pragma once

#include <cstdint>
#include <vector>

namespace screen_internal {

struct ShownRows {
    std::vector<uint8_t> pixels;  // width x height 4-byte pixels; empty while not known
};

// Narrows the band [first, last] of `frame` (rows of width x 4 bytes) to the rows that differ
// from those shown, while they are known; false when no row does.
bool KeepChangedRows(const ShownRows& shown, const uint8_t* frame, int32_t width, int32_t& first,
                     int32_t& last);

// Keeps the rows [first, last] of `frame` as shown; what the window shows becomes known with the
// first band that covers the whole frame.
void RememberRows(ShownRows& shown, const uint8_t* frame, int32_t width, int32_t height,
                  int32_t first, int32_t last);

}  // namespace screen_internal
