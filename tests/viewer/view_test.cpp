// The viewer's view arithmetic, its drawing of a view and its title.
#include "viewer/view.h"

#include <gtest/gtest.h>

#include "viewer/render.h"
#include "viewer/title.h"

namespace {

TEST(ViewerView, TheWindowFitsThePictureOnTheWorkArea) {
    struct Case {
        Extent picture, area, window;
        double zoom;
    };
    for (const Case& c : {
             Case{{4000, 3000}, {1920, 1080}, {1920, 1080}, 0.36},  // shrunk: the whole area
             Case{{32, 32}, {1920, 1080}, {1056, 1056}, 33},        // the largest whole factor
             Case{{485, 348}, {1920, 1080}, {1455, 1044}, 3},
             Case{{1920, 1080}, {1920, 1080}, {1920, 1080}, 1},
             Case{{1, 1},
                  {1920, 1080},
                  {320, 240},
                  MaxZoom},  // not past MaxZoom, not below MinWindow
             Case{{300, 10}, {1920, 1080}, {1800, 240}, 6},  // at least MinWindow high
             Case{{100000, 1}, {1920, 1080}, {1920, 1080}, 0.0192},
         }) {
        EXPECT_EQ(WindowFor(c.picture, c.area).width, c.window.width) << c.picture.width;
        EXPECT_EQ(WindowFor(c.picture, c.area).height, c.window.height) << c.picture.width;
        EXPECT_DOUBLE_EQ(FitZoom(c.picture, c.area), c.zoom) << c.picture.width;
    }
}

TEST(ViewerView, ZoomStepsByPowersOfTwoBetweenTheFitAndMaxZoom) {
    EXPECT_EQ(ZoomStepIn(0.36), 0.5);
    EXPECT_EQ(ZoomStepIn(0.5), 1);
    EXPECT_EQ(ZoomStepIn(3), 4);
    EXPECT_EQ(ZoomStepIn(0.49999999999), 1);  // a fit that is a power of two in all but rounding
    EXPECT_EQ(ZoomStepIn(MaxZoom), MaxZoom);
    EXPECT_EQ(ZoomStepOut(1, 0.36), 0.5);
    EXPECT_EQ(ZoomStepOut(0.5, 0.36), 0.36);  // not below the fit
    EXPECT_EQ(ZoomStepOut(0.36, 0.36), 0.36);
    EXPECT_EQ(ZoomStepOut(3, 1), 2);
    EXPECT_EQ(ZoomStepOut(1, 1), 1);
}

TEST(ViewerView, TheViewNeverLeavesThePictureFartherThanNeeded) {
    const Extent picture{400, 100};
    const Extent window{200, 150};
    // Wider than the window: covers it, however far it is dragged; lower: centred.
    View v = Panned({1, 0, 0}, picture, window, 500, 500);
    EXPECT_EQ(v.left, 0);
    EXPECT_EQ(v.top, 25);
    v = Panned(v, picture, window, -1000, 0);
    EXPECT_EQ(v.left, -200);
    // Zooming in about a point keeps the picture pixel under it where it was.
    v = ZoomedAbout({1, -100, 25}, picture, window, 2, 50, 100);
    EXPECT_EQ(v.left, -250);  // picture x 150 stays at window x 50
    EXPECT_EQ(v.top, -50);    // picture y 75 stays at window y 100
    // A zoom out that would leave a gap puts the picture back against the edge.
    v = ZoomedAbout({2, -600, -50}, picture, window, 1, 0, 0);
    EXPECT_EQ(v.left, -200);
}

// Whether two pixels differ by at most one in each channel (two roundings of averages).
bool Near(uint32_t a, uint32_t b) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d < -1 || d > 1) return false;
    }
    return true;
}

// A 4 x 2 picture, or a copy of another.
picture::Pixels Sample(const picture::Pixels* copied = nullptr) {
    constexpr uint32_t Colours[] = {0xFF102030, 0x00FF00FF, 0x80406080, 0xFFFFFFFF,
                                    0xFF000000, 0xFF204060, 0xFF808080, 0xFFF0F0F0};
    const int64_t w = copied ? copied->Width() : 4, h = copied ? copied->Height() : 2;
    picture::Pixels pixels = picture::Pixels::Allocate(w, h);
    for (int64_t y = 0; y < h; ++y)
        for (int64_t x = 0; x < w; ++x)
            pixels.Row(y)[x] = copied ? copied->Row(y)[x] : Colours[y * 4 + x];
    return pixels;
}

// A pyramid drawn into a 6 x 4 window.
std::vector<uint32_t> Drawn(const Pyramid& pyramid, const View& view,
                            Transparency transparency = {}) {
    std::vector<uint32_t> window(6 * 4, 0);
    Render(pyramid, view, {window.data(), 6, 4, 6 * 4}, transparency);
    return window;
}

std::vector<uint32_t> Drawn(const View& view, double smallest) {
    return Drawn(BuildPyramid(Sample(), smallest), view);
}

TEST(ViewerRender, SharpEnlargementsAveragedReductionsOnTheGrey) {
    constexpr uint32_t G = PanelGrey;
    // At 2, panned one picture pixel left: repeated pixels, the mask colour left out as grey,
    // alpha not looked at.
    EXPECT_EQ(Drawn({2, -2, 0}, 1),
              (std::vector<uint32_t>{G,          G,          0xFF406080, 0xFF406080, 0xFFFFFFFF,
                                     0xFFFFFFFF, G,          G,          0xFF406080, 0xFF406080,
                                     0xFFFFFFFF, 0xFFFFFFFF, 0xFF204060, 0xFF204060, 0xFF808080,
                                     0xFF808080, 0xFFF0F0F0, 0xFFF0F0F0, 0xFF204060, 0xFF204060,
                                     0xFF808080, 0xFF808080, 0xFFF0F0F0, 0xFFF0F0F0}));
    // At 1/2, centred: each pixel the average of a 2 x 2 block (the grey counts as the picture's).
    EXPECT_EQ(Drawn({0.5, 2, 1}, 0.5),
              (std::vector<uint32_t>{G, G, G, G, G, G, G, G, 0xFF434F5B, 0xFFACB4BC, G, G,
                                     G, G, G, G, G, G, G, G, G,          G,          G, G}));
    // At 3/4, from the picture itself: 3 x 1.5 window pixels, each over 4/3 of the picture's.
    const std::vector<uint32_t> shrunk = Drawn({0.75, 0, 0}, 0.75);
    // (3/4 0x102030 + 1/4 grey) over (3/4 black + 1/4 0x204060), three to one.
    EXPECT_PRED2(Near, shrunk[0], 0xFF343F4A);
    EXPECT_PRED2(Near, shrunk[2], 0xFFD0D6DC);  // the last column: 1/4 of x 2, 3/4 of x 3
    EXPECT_EQ(shrunk[3], G);
    EXPECT_EQ(shrunk[6 * 2], G);
}

// The first frame may come from a read at half size; the whole picture completes the pyramid.
TEST(ViewerRender, AReducedReadShowsTheFitAndTheWholePictureEveryZoom) {
    const Pyramid whole = BuildPyramid(Sample(), 0.5);
    Pyramid reduced = BuildPyramid(Sample(&whole.levels[1]), 0.5, {4, 2});
    ASSERT_EQ(reduced.pending, 1u);
    EXPECT_EQ(reduced.Size().width, 4);
    EXPECT_EQ(Drawn(reduced, {0.5, 2, 1}), Drawn(whole, {0.5, 2, 1}));
    EXPECT_FALSE(CompletePyramid(reduced, picture::Pixels::Allocate(3, 2)));
    ASSERT_TRUE(CompletePyramid(reduced, Sample()));
    EXPECT_EQ(reduced.pending, 0u);
    for (const View& view : {View{2, -2, 0}, View{0.75, 0, 0}, View{0.5, 2, 1}})
        EXPECT_EQ(Drawn(reduced, view), Drawn(whole, view)) << view.zoom;
    // A read of a size that is no level of the picture is not shown.
    EXPECT_TRUE(BuildPyramid(picture::Pixels::Allocate(3, 1), 0.5, {4, 2}).levels.empty());
}

// Shown over the checkerboard (squares of one window pixel here, the light one at the picture's
// corner): each pixel by its alpha, the mask colour wholly transparent, and reductions average
// what lies over the squares, so that a transparent pixel lends no colour.
TEST(ViewerRender, TransparencyOverTheCheckerboard) {
    Pyramid pyramid = BuildPyramid(Sample(), 0.5);
    ASSERT_TRUE(pyramid.translucent);
    ASSERT_TRUE(PrepareSeeThrough(pyramid));
    const Transparency checks{.shown = true, .checkSize = 1};
    struct Case {
        View view;
        size_t at;  // y * 6 + x in the window
        uint32_t pixel;
    };
    for (const Case& c : {
             Case{{1, 1, 1}, 1 * 6 + 1, 0xFF102030},  // opaque: as it is
             Case{{1, 1, 1}, 1 * 6 + 2, CheckDark},   // the mask colour, over a dark square
             Case{{1, 1, 1}, 1 * 6 + 3, 0xFF6C7C8C},  // half of 0x406080, half of the light grey
             Case{{1, 1, 1}, 1 * 6 + 0, PanelGrey},   // beside the picture
             // Three opaque pixels and the mask colour: a quarter of the light grey through.
             Case{{0.5, 2, 1}, 1 * 6 + 2, 0xFF323E4A},
             Case{{2, -2, 0}, 0 * 6 + 0, CheckLight},  // the mask colour enlarged, two squares
             Case{{2, -2, 0}, 0 * 6 + 1, CheckDark},
         })
        EXPECT_EQ(Drawn(pyramid, c.view, checks)[c.at], c.pixel) << c.view.zoom << " " << c.at;
    // Without it, or for an opaque picture, the picture is drawn as the screen shows it.
    EXPECT_EQ(Drawn(pyramid, {1, 1, 1}), Drawn(BuildPyramid(Sample(), 0.5), {1, 1, 1}));
    Pyramid opaque = BuildPyramid(Sample(&pyramid.levels[1]), 1);
    EXPECT_FALSE(opaque.translucent);
    ASSERT_TRUE(PrepareSeeThrough(opaque));
    EXPECT_EQ(Drawn(opaque, {1, 1, 1}, checks), Drawn(opaque, {1, 1, 1}));
}

// A window that shrinks below the picture's smallest level gets the halvings it needs.
TEST(ViewerRender, AShrunkWindowExtendsThePyramid) {
    const Pyramid whole = BuildPyramid(Sample(), 0.5);
    Pyramid grown = BuildPyramid(Sample(), 1);
    ASSERT_EQ(grown.levels.size(), 1u);
    ASSERT_TRUE(ExtendPyramid(grown, 0.5));
    EXPECT_EQ(grown.levels.size(), whole.levels.size());
    EXPECT_EQ(Drawn(grown, {0.5, 2, 1}), Drawn(whole, {0.5, 2, 1}));
}

TEST(ViewerTitle, NameSizeZoomAndPlace) {
    EXPECT_EQ(WindowTitleOf({"/pics/sunset.png", true, {4000, 3000}, 0.16, 0, 1}),
              "sunset.png \u2014 4000 \u00d7 3000 \u2014 16 %");
    EXPECT_EQ(WindowTitleOf({"a.bi", true, {32, 32}, 8, 1, 3}),
              "a.bi \u2014 32 \u00d7 32 \u2014 800 % \u2014 2 of 3");
    EXPECT_EQ(WindowTitleOf({"huge.png", true, {300000, 1}, 0.0036, 0, 1}),
              "huge.png \u2014 300000 \u00d7 1 \u2014 0.4 %");
    EXPECT_EQ(WindowTitleOf({"dir/bad.jpg", false, {}, 1, 2, 3}),
              "bad.jpg \u2014 cannot be shown \u2014 3 of 3");
    EXPECT_EQ(WindowTitleOf({"s.png", true, {8, 8}, 2, 0, 2, true}),
              "s.png \u2014 8 \u00d7 8 \u2014 200 % \u2014 transparency shown \u2014 1 of 2");
    EXPECT_EQ(WindowTitleOf({"bad.png", false, {}, 1, 0, 1, true}),
              "bad.png \u2014 cannot be shown");
}

}  // namespace
