#include "screen/window/shown_rows.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace screen_internal;

namespace {

// The band a present keeps of [first, last], or (-1, -1) for none.
std::pair<int32_t, int32_t> Kept(const ShownRows& shown, const std::vector<uint32_t>& frame,
                                 int32_t first, int32_t last) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    if (!KeepChangedRows(shown, bytes, 2, first, last)) return {-1, -1};
    return {first, last};
}

}  // namespace

// A 2 x 5 frame: nothing is skipped until all was shown, then only the changed rows' band goes out.
TEST(ShownRows, OnlyChangedRowsArePresentedOnceTheWholeFrameIsKnown) {
    std::vector<uint32_t> frame(10, 7);
    const auto* bytes = reinterpret_cast<const uint8_t*>(frame.data());
    ShownRows shown;
    RememberRows(shown, bytes, 2, 5, 1, 3);
    EXPECT_EQ(Kept(shown, frame, 1, 3), std::make_pair(1, 3));
    RememberRows(shown, bytes, 2, 5, 0, 4);
    EXPECT_EQ(Kept(shown, frame, 0, 4), std::make_pair(-1, -1));
    frame[3] = 8;  // row 1
    frame[6] = 8;  // row 3
    EXPECT_EQ(Kept(shown, frame, 0, 4), std::make_pair(1, 3));
    EXPECT_EQ(Kept(shown, frame, 2, 2), std::make_pair(-1, -1));
    RememberRows(shown, bytes, 2, 5, 1, 1);
    EXPECT_EQ(Kept(shown, frame, 0, 4), std::make_pair(3, 3));
}
