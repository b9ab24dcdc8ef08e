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

}  // namespace
