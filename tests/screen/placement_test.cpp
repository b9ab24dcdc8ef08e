// Showing the frame at full screen and mapping the pointer back; X pointer buttons.
#include "screen/window/placement.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

#include "screen/x11/buttons.h"

using namespace screen_internal;

TEST(Placement, LargestWholeScaleCentred) {
    // Frame and area sizes, then the scale and offsets; an area smaller than the frame gets the
    // frame at its top-left corner at scale 1.
    const std::array<int32_t, 7> cases[] = {{640, 480, 1920, 1080, 2, 320, 60},
                                            {640, 480, 1280, 960, 2, 0, 0},
                                            {640, 480, 1024, 768, 1, 192, 144},
                                            {640, 50, 1920, 1080, 3, 0, 465},
                                            {640, 480, 600, 400, 1, 0, 0}};
    for (const auto& [fw, fh, aw, ah, scale, x, y] : cases) {
        const Placement p = PlaceFrame(fw, fh, aw, ah);
        EXPECT_EQ(std::tie(p.scale, p.offsetX, p.offsetY), std::tie(scale, x, y))
            << aw << "x" << ah;
    }
}

TEST(Placement, PointerMapsBackToFramePixels) {
    const Placement p{2, 320, 60};
    // Window position, frame pixel, inside; a pixel's top-left corner maps back to the position.
    const std::tuple<int32_t, int32_t, int32_t, int32_t, bool> cases[] = {
        {320, 60, 0, 0, true},        {321, 61, 0, 0, true},    {319, 60, -1, 0, false},
        {318, 59, -1, -1, false},     {317, 60, -2, 0, false},  {1599, 1019, 639, 479, true},
        {1600, 500, 640, 220, false}, {0, 0, -160, -30, false},
    };
    for (const auto& [wx, wy, x, y, inside] : cases) {
        const FramePoint f = FramePointOf(p, 640, 480, wx, wy);
        EXPECT_EQ(std::tie(f.x, f.y, f.inside), std::tie(x, y, inside)) << wx << ", " << wy;
        if (!inside) continue;
        const WindowPoint back = WindowPointOf(p, f.x, f.y);
        EXPECT_EQ(std::pair(back.x, back.y), std::pair(wx - (wx - 320) % 2, wy - (wy - 60) % 2));
    }
}

TEST(Placement, RowsAreScaledIntoTheTargetAndCutAtItsEdges) {
    // A 2 x 2 frame at scale 2, offset (1, 1), into a 4 x 4 target: the bottom row and right
    // column of the scaled frame fall outside and are cut.
    const uint32_t frame[] = {1, 2, 3, 4};
    std::vector<uint32_t> target(16, 0);
    const PixelTarget t{reinterpret_cast<uint8_t*>(target.data()), 4, 4, 16};
    CopyPlacedRows({2, 1, 1}, reinterpret_cast<const uint8_t*>(frame), 2, 0, 1, t);
    EXPECT_EQ(target, (std::vector<uint32_t>{0, 0, 0, 0,  //
                                             0, 1, 1, 2,  //
                                             0, 1, 1, 2,  //
                                             0, 3, 3, 4}));
    const WindowRect band = RowBand({2, 1, 1}, 2, 1, 1);
    EXPECT_EQ(std::tie(band.x, band.y, band.width, band.height), std::tuple(1, 3, 4, 2));
}

TEST(X11Buttons, LeftRightMiddleAndTheExtraButtonsWheelNone) {
    const std::optional<int32_t> expected[] = {
        std::nullopt, 0, 2, 1,           std::nullopt, std::nullopt, std::nullopt,
        std::nullopt, 3, 4, std::nullopt};
    for (uint32_t button = 0; button < std::size(expected); ++button)
        EXPECT_EQ(ButtonBitOfX11Button(button), expected[button]) << button;
}
