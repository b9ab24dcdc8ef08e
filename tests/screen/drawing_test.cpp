// Drawing on the headless screen, checked pixel by pixel against the drawing rules.
#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "tests/support/headless_screen.h"

using Points = std::vector<std::pair<int32_t, int32_t>>;

namespace {

constexpr uint32_t kInk = 0x00123456;
constexpr uint32_t kPaper = 0x00DDDDDD;

void Paper() {
    SetColors(0xFFFFFF, kPaper);
    ClearScreen(ArgDefault);
}

}  // namespace

class Drawing : public HeadlessScreen {
protected:
    Points Inked(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        Points points;
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x)
                if (GetPixel(nullptr, x, y) == kInk) points.emplace_back(x, y);
        return points;
    }
};

TEST_F(Drawing, OpenRejectsBadSizesAndDepthsAndStartsBlack) {
    EXPECT_EQ(OpenScreen(0, 10, 32), ScreenResult::IllegalCall);
    EXPECT_EQ(OpenScreen(10, -1, 32), ScreenResult::IllegalCall);
    EXPECT_EQ(OpenScreen(10, 10, 7), ScreenResult::IllegalCall);
    Open(640, 50);
    EXPECT_EQ(Count(0xFF000000), 640u * 50u);
    EXPECT_EQ(GetPixel(nullptr, 639, 49), 0xFF000000);
}

TEST_F(Drawing, ClearFillsWithTheBackgroundAlphaIncluded) {
    Open(640, 50);
    EXPECT_EQ(SetColors(0xFFFFFF, kPaper, 0), 0xFFFFFFFFu);
    ClearScreen(ArgDefault);
    EXPECT_EQ(Count(kPaper), 640u * 50u);
    // Flag bits keep the foreground (1) or the background (2).
    EXPECT_EQ(SetColors(0x1, 0x2, 2), 0xFFFFFFu);
    ClearScreen();
    EXPECT_EQ(GetPixel(nullptr, 3, 3), kPaper);
}

TEST_F(Drawing, SegmentsIncludeBothEnds) {
    Paper();
    DrawLine(nullptr, 5, 5, 5, 5, kInk);
    EXPECT_EQ(Inked(0, 0, 20, 20), (Points{{5, 5}}));
    Paper();
    DrawLine(nullptr, 0, 0, 9, 0, kInk);
    EXPECT_EQ(SetInRow(0, kInk), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    Paper();
    DrawLine(nullptr, 3, 9, 3, 6, kInk);
    EXPECT_EQ(Inked(0, 0, 10, 12), (Points{{3, 6}, {3, 7}, {3, 8}, {3, 9}}));
}

TEST_F(Drawing, BresenhamStepsTheMinorAxisByTheErrorTerm) {
    Paper();
    DrawLine(nullptr, 0, 0, 7, 3, kInk);
    EXPECT_EQ(Inked(0, 0, 10, 10),
              (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}}));
    Paper();
    // A steep line drawn from its lower end: y is the major axis and the walk starts at (3, 7).
    DrawLine(nullptr, 3, 7, 0, 0, kInk);
    EXPECT_EQ(Inked(0, 0, 10, 10),
              (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}, {3, 6}, {3, 7}}));
}

TEST_F(Drawing, LinesAreClippedToTheScreen) {
    Paper();
    DrawLine(nullptr, -100, 10, 700, 10, kInk);
    EXPECT_EQ(Count(kInk), 640u);
    EXPECT_EQ(SetInRow(10, kInk).size(), 640u);
    Paper();
    DrawLine(nullptr, -5, -5, 5, 5, kInk);
    EXPECT_EQ(Inked(0, 0, 10, 10), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
    Paper();
    DrawLine(nullptr, -10, -5, 700, -5, kInk);  // both ends above: nothing
    DrawLine(nullptr, 2000, 3, 2000, 400, kInk);
    EXPECT_EQ(Count(kInk), 0u);
    // A line ending far outside still reaches the edge on its own slope.
    Paper();
    DrawLine(nullptr, 630, 10, 650, 30, kInk);
    EXPECT_EQ(Inked(600, 0, 639, 479).back(), (std::pair<int32_t, int32_t>{639, 19}));
}

TEST_F(Drawing, DashStylePlotsByTheBitsOfThePattern) {
    Paper();
    DrawLine(nullptr, 0, 20, 31, 20, kInk, LineShape::Segment, 0xF0F0);
    EXPECT_EQ(SetInRow(20, kInk),
              (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27}));
}

TEST_F(Drawing, BoxesOrderTheirCornersAndClip) {
    Paper();
    DrawLine(nullptr, 10, 10, 0, 0, kInk, LineShape::FilledBox);
    EXPECT_EQ(Count(kInk), 121u);
    EXPECT_EQ(Inked(0, 0, 20, 20).back(), (std::pair<int32_t, int32_t>{10, 10}));

    Paper();
    DrawLine(nullptr, 2, 2, 6, 5, kInk, LineShape::BoxOutline);
    EXPECT_EQ(Count(kInk), 14u);
    EXPECT_EQ(GetPixel(nullptr, 4, 3), kPaper);

    // Only the edges inside the screen are drawn: no left column here.
    Paper();
    DrawLine(nullptr, -5, 10, 10, 20, kInk, LineShape::BoxOutline);
    EXPECT_EQ(GetPixel(nullptr, 0, 15), kPaper);
    EXPECT_EQ(GetPixel(nullptr, 10, 15), kInk);
    EXPECT_EQ(SetInRow(10, kInk).size(), 11u);
    EXPECT_EQ(SetInRow(20, kInk).size(), 11u);

    Paper();
    DrawLine(nullptr, -20, -20, -1, -1, kInk, LineShape::FilledBox);
    EXPECT_EQ(Count(kInk), 0u);
}

// Discs: the half-widths of each row outwards from the centre row.
void ExpectDisc(int32_t cx, int32_t cy, const std::vector<int32_t>& halfWidths, size_t total) {
    for (size_t dy = 0; dy < halfWidths.size(); ++dy) {
        for (int32_t sign : {-1, 1}) {
            const int32_t y = cy + sign * static_cast<int32_t>(dy);
            const int32_t h = halfWidths[dy];
            for (int32_t x = cx - h - 2; x <= cx + h + 2; ++x) {
                const bool inside = x >= cx - h && x <= cx + h;
                EXPECT_EQ(GetPixel(nullptr, x, y) == kInk, inside) << x << "," << y;
            }
        }
    }
    size_t n = 0;
    for (int32_t y = cy - 20; y <= cy + 20; ++y)
        for (int32_t x = cx - 20; x <= cx + 20; ++x) n += GetPixel(nullptr, x, y) == kInk;
    EXPECT_EQ(n, total);
}

TEST_F(Drawing, FilledDiscsFollowTheIntegerWalk) {
    Paper();
    DrawCircle(nullptr, 100, 100, 3.0f, kInk, 0.0f, 0.0f, FullCircle, -1, PointAbsolute);
    ExpectDisc(100, 100, {3, 3, 2, 1}, 7 + 2 * (7 + 5 + 3));
    Paper();
    DrawCircle(nullptr, 200, 100, 5.0f, kInk);
    ExpectDisc(200, 100, {5, 5, 4, 4, 3, 1}, 11 + 2 * (11 + 9 + 9 + 7 + 3));
}

TEST_F(Drawing, CirclesClipAndIgnoreNonPositiveRadii) {
    Paper();
    DrawCircle(nullptr, 0, 0, 5.0f, kInk);
    EXPECT_EQ(Inked(0, 0, 10, 10).size(), 6u + 6u + 5u + 5u + 4u + 2u);
    DrawCircle(nullptr, 300, 300, 0.0f, kInk);
    DrawCircle(nullptr, 300, 300, -4.0f, kInk);
    EXPECT_EQ(Inked(280, 280, 320, 320).size(), 0u);
    // An outline plots only the two ends of each row.
    DrawCircle(nullptr, 300, 300, 5.0f, kInk, 0.0f, 0.0f, FullCircle, 0);
    EXPECT_EQ(SetInRow(300, kInk, 290, 310), (std::vector<int32_t>{295, 305}));
    // A huge radius is cut down to something that still covers the screen, quickly.
    DrawCircle(nullptr, 320, 240, 1e9f, kInk);
    EXPECT_EQ(Count(kInk), 640u * 480u);
}

TEST_F(Drawing, TextDrawsOnlyTheSetBitsOfEachGlyph) {
    Paper();
    DrawText(nullptr, 0, 0, PointAbsolute, "A", 0);
    EXPECT_EQ(SetInRow(0, 0x00000000, 0, 15), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(SetInRow(7, kPaper, 0, 7).size(), 8u);
    // Glyphs partly off the left edge are clipped pixel by pixel; the rest still draw.
    Paper();
    DrawText(nullptr, -6, 20, PointAbsolute, "AA", kInk);
    EXPECT_EQ(SetInRow(20, kInk, 0, 15), (std::vector<int32_t>{4, 5}));
    // The last glyph row is row 7 of the text; an empty string draws nothing.
    Paper();
    DrawText(nullptr, 0, 473, PointAbsolute, "\xDB", kInk);
    DrawText(nullptr, 100, 100, PointAbsolute, "", kInk);
    EXPECT_EQ(Count(kInk), 8u * 7u);
}

TEST_F(Drawing, GetPixelOutsideOrWithoutAScreenIsAllOnes) {
    EXPECT_EQ(GetPixel(nullptr, -1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 640, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 0, 480), 0xFFFFFFFFu);
    CloseScreen();
    EXPECT_EQ(GetPixel(nullptr, 0, 0), 0xFFFFFFFFu);
    DrawLine(nullptr, 0, 0, 10, 10, kInk);  // no screen: nothing happens, nothing crashes
}

TEST_F(Drawing, CoordinatesRoundHalfAwayFromZeroAndFollowTheLastPoint) {
    Paper();
    SetPixel(nullptr, 2.5f, 1.4f, kInk);
    EXPECT_EQ(GetPixel(nullptr, 3, 1), kInk);
    SetPixel(nullptr, -0.5f, 0.0f, kInk);  // rounds to -1: outside
    EXPECT_EQ(Count(kInk), 1u);
    // Mode 5: relative to the last point, which the previous call left at (-0.5, 0).
    SetPixel(nullptr, 10.5f, 4.0f, kInk, PointRelativeToLast);
    EXPECT_EQ(GetPixel(nullptr, 10, 4), kInk);
    // Mode 1: the second point relative to the first.
    DrawLine(nullptr, 20, 20, 3, 0, kInk, LineShape::Segment, 0xFFFF, SecondRelative);
    EXPECT_EQ(SetInRow(20, kInk, 15, 30), (std::vector<int32_t>{20, 21, 22, 23}));
    // Bit 31 picks the foreground, or the background with usePreset.
    SetPixel(nullptr, 50, 50, kInk, PointAbsolute | DefaultColourFlag);
    SetPixel(nullptr, 51, 50, kInk, PointAbsolute | DefaultColourFlag, 1);
    EXPECT_EQ(GetPixel(nullptr, 50, 50), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 51, 50), kPaper);
}

TEST_F(Drawing, EachThreadHasItsOwnColours) {
    SetColors(0x00ABCDEF, 0);
    std::thread other([] {
        SetPixel(nullptr, 1, 1, 0, PointAbsolute | DefaultColourFlag);  // a fresh context
    });
    other.join();
    SetPixel(nullptr, 2, 1, 0, PointAbsolute | DefaultColourFlag);
    EXPECT_EQ(GetPixel(nullptr, 1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 2, 1), 0x00ABCDEFu);
}

TEST_F(Drawing, NothingIsPresentedWhileTheScreenIsLocked) {
    headless::Sync();
    LockScreen();
    LockScreen();
    DrawLine(nullptr, 0, 5, 639, 5, kInk);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_NE(headless::PresentedFrame()[5 * 640], kInk);
    UnlockScreen(-1, -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_NE(headless::PresentedFrame()[5 * 640], kInk);
    UnlockScreen(-1, -1);
    headless::Sync();
    EXPECT_EQ(headless::PresentedFrame()[5 * 640], kInk);
}

TEST_F(Drawing, OnlyDrawingOnTheScreenIsPresented) {
    headless::Sync();
    const int64_t before = headless::PresentCount();
    ImageBuffer* image = CreateImage(8, 8, 0, 0, 0x80000000);
    DrawLine(image, 0, 0, 7, 7, kInk);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before);
    SetPixel(nullptr, 3, 400, kInk);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before + 1);
    EXPECT_EQ(headless::PresentedFrame()[400 * 640 + 3], kInk);
    // An unlock at count 0 only marks rows: they are presented again.
    UnlockScreen(0, 0);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before + 2);
    DestroyImage(image);
}
