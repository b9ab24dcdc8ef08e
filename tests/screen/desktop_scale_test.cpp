#include <gtest/gtest.h>

#include "screen/window/desktop.h"

namespace {

TEST(DesktopScale, TheUsersChoiceThenTheDesktopsThenTheDpi) {
    struct Case {
        const char* pixeltools;
        const char* gdk;
        int32_t dpi;
        int32_t scale;
    };
    for (const Case& c : {Case{"", "", 0, 1}, Case{"", "", 191, 1}, Case{"", "", 192, 2},
                          Case{"", "", 288, 3}, Case{"", "", 9600, MaxDesktopScale},
                          Case{"", "2", 96, 2}, Case{"3", "2", 192, 3}, Case{"1", "", 192, 1},
                          // Nonsense is passed over, not taken in part.
                          Case{"0", "", 192, 2}, Case{"2x", "3", 0, 3}, Case{"-2", "", 0, 1},
                          Case{"9", "", 0, 1}, Case{" 2", "", 0, 1}})
        EXPECT_EQ(DesktopScale(c.pixeltools, c.gdk, c.dpi), c.scale)
            << c.pixeltools << " / " << c.gdk << " / " << c.dpi;
}

// Exactly the settings DesktopScale passes over are reported, naming the value and the range.
TEST(DesktopScale, AnUnusableSettingIsReported) {
    for (const char* usable : {"", "1", "8"}) EXPECT_EQ(ScaleSettingProblem(usable), "") << usable;
    for (const auto& [value, shown] :
         {std::pair{"9", "9"}, {"0", "0"}, {"2x", "2x"}, {"-1", "-1"}, {"a\033[2J", "a?[2J"}})
        EXPECT_EQ(ScaleSettingProblem(value), std::string("PIXELTOOLS_SCALE=") + shown +
                                                  " is ignored: the scale is a whole number "
                                                  "from 1 to 8");
}

TEST(DesktopScale, XftDpiFromTheResourceText) {
    EXPECT_EQ(XftDpiOf("Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"), 192);
    EXPECT_EQ(XftDpiOf("Xft.dpi: 144.5"), 144);
    EXPECT_EQ(XftDpiOf("Xft.dpis:\t192\n!Xft.dpi:\t192\n"), 0);
    EXPECT_EQ(XftDpiOf("Xft.dpi:\t-5\n"), 0);
    EXPECT_EQ(XftDpiOf(""), 0);
}

TEST(DesktopScale, TheScaledFrameFitsTheWorkArea) {
    EXPECT_EQ(FittingScale(2, 640, 50, 3840, 2100), 2);
    EXPECT_EQ(FittingScale(4, 640, 480, 1920, 1040), 2);    // 4 and 3 would not fit the height
    EXPECT_EQ(FittingScale(2, 1920, 1080, 1920, 1080), 1);  // never below 1
    EXPECT_EQ(FittingScale(3, 640, 480, 0, 0), 3);          // an unknown area limits nothing
}

// The frame the window manager adds is kept inside the work area, which need not start at 0, 0.
TEST(DesktopScale, TheWindowWithItsFrameIsCentredInTheWorkArea) {
    const Desktop desktop{.x = 0,
                          .y = 30,
                          .width = 1280,
                          .height = 770,
                          .frame = {.left = 1, .right = 1, .top = 21, .bottom = 4}};
    EXPECT_EQ(desktop.RoomWidth(), 1278);
    EXPECT_EQ(desktop.RoomHeight(), 745);
    struct Case {
        int32_t width, height, x, y;
    };
    for (const Case& c :
         {Case{1278, 745, 0, 30}, Case{640, 480, 319, 30 + 132}, Case{2000, 2000, 0, 30}})
        EXPECT_EQ(CentredWindow(desktop, c.width, c.height).x, c.x) << c.width;
    for (const Case& c :
         {Case{1278, 745, 0, 30}, Case{640, 480, 319, 30 + 132}, Case{2000, 2000, 0, 30}})
        EXPECT_EQ(CentredWindow(desktop, c.width, c.height).y, c.y) << c.width;
    EXPECT_EQ(Desktop{}.RoomWidth(), 0);  // unknown stays unknown
}

}  // namespace
