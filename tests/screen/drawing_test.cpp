// Drawing on the headless screen, checked pixel by pixel against the drawing rules.
#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <thread>
#include <tuple>
#include <utility>

#include "tests/support/headless_screen.h"

using Points = std::vector<std::pair<int32_t, int32_t>>;

namespace {

constexpr uint32_t Ink = 0x00123456;
constexpr uint32_t PaperColour = 0x00DDDDDD;

void Paper() {
    SetColors(0xFFFFFF, PaperColour);
    ClearScreen(ArgDefault);
}

}  // namespace

class Drawing : public HeadlessScreen {
protected:
    Points Inked(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        Points points;
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x)
                if (GetPixel(nullptr, x, y) == Ink) points.emplace_back(x, y);
        return points;
    }
};

TEST_F(Drawing, OpenRejectsBadSizesAndDepthsAndStartsBlack) {
    EXPECT_EQ(ScreenOpenFailure(), "");
    EXPECT_EQ(OpenScreen(0, 10, 32), ScreenResult::IllegalCall);
    EXPECT_EQ(OpenScreen(10, -1, 32), ScreenResult::IllegalCall);
    EXPECT_EQ(OpenScreen(10, 10, 7), ScreenResult::IllegalCall);
    EXPECT_NE(ScreenOpenFailure(), "");  // says why until an open succeeds
    Open(640, 50);
    EXPECT_EQ(ScreenOpenFailure(), "");
    EXPECT_EQ(Count(0xFF000000), 640u * 50u);
    EXPECT_EQ(GetPixel(nullptr, 639, 49), 0xFF000000);
}

// With a terabyte for every new thread's stack, no thread can start. Then the open fails with a
// reason instead of ending the program.
bool OpenRefusedWithoutThreads() {
    pthread_attr_t hugeStacks;
    pthread_attr_init(&hugeStacks);
    const bool set = pthread_attr_setstacksize(&hugeStacks, size_t{1} << 40) == 0 &&
                     pthread_setattr_default_np(&hugeStacks) == 0;
    pthread_attr_destroy(&hugeStacks);
    return set && OpenScreen(640, 50, 32) == ScreenResult::IllegalCall &&
           ScreenOpenFailure().starts_with("cannot start the window's thread");
}

TEST_F(Drawing, OpenWithoutAThreadForTheWindowFails) {
    CloseScreen();  // the child of the fork below would not have its window thread
    EXPECT_EXIT(std::_Exit(OpenRefusedWithoutThreads() ? 0 : 1), testing::ExitedWithCode(0), "");
}

// The lock outlives each screen: a thread waiting for it while the screen closes finds either
// the old screen or none, never a destroyed one.
TEST_F(Drawing, DrawingThreadsSurviveScreensClosingUnderThem) {
    std::atomic<bool> stop{false};
    std::atomic<int> strange{0};
    std::thread painter([&] {
        for (; !stop; SetPixel(nullptr, 3, 3, Ink)) {
            const uint32_t p = GetPixel(nullptr, 3, 3);
            strange += p != Ink && p != 0xFF000000 && p != 0xFFFFFFFF;
        }
    });
    for (int i = 0; i < 30; ++i) {
        CloseScreen();
        Open(64, 48);
    }
    stop = true;
    painter.join();
    EXPECT_EQ(strange, 0);
}

TEST_F(Drawing, ClearFillsWithTheBackgroundAlphaIncluded) {
    Open(640, 50);
    EXPECT_EQ(SetColors(0xFFFFFF, PaperColour, 0), 0xFFFFFFFFu);
    ClearScreen(ArgDefault);
    EXPECT_EQ(Count(PaperColour), 640u * 50u);
    // Flag bits keep the foreground (1) or the background (2).
    EXPECT_EQ(SetColors(0x1, 0x2, 2), 0xFFFFFFu);
    ClearScreen();
    EXPECT_EQ(GetPixel(nullptr, 3, 3), PaperColour);
}

TEST_F(Drawing, SegmentsIncludeBothEnds) {
    Paper();
    DrawLine(nullptr, 5, 5, 5, 5, Ink);
    EXPECT_EQ(Inked(0, 0, 20, 20), (Points{{5, 5}}));
    Paper();
    DrawLine(nullptr, 0, 0, 9, 0, Ink);
    EXPECT_EQ(SetInRow(0, Ink), (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    Paper();
    DrawLine(nullptr, 3, 9, 3, 6, Ink);
    EXPECT_EQ(Inked(0, 0, 10, 12), (Points{{3, 6}, {3, 7}, {3, 8}, {3, 9}}));
}

TEST_F(Drawing, BresenhamStepsTheMinorAxisByTheErrorTerm) {
    Paper();
    DrawLine(nullptr, 0, 0, 7, 3, Ink);
    EXPECT_EQ(Inked(0, 0, 10, 10),
              (Points{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 3}, {7, 3}}));
    Paper();
    // A steep line drawn from its lower end: y is the major axis and the walk starts at (3, 7).
    DrawLine(nullptr, 3, 7, 0, 0, Ink);
    EXPECT_EQ(Inked(0, 0, 10, 10),
              (Points{{0, 0}, {0, 1}, {1, 2}, {1, 3}, {2, 4}, {2, 5}, {3, 6}, {3, 7}}));
}

TEST_F(Drawing, LinesAreClippedToTheScreen) {
    Paper();
    DrawLine(nullptr, -100, 10, 700, 10, Ink);
    EXPECT_EQ(Count(Ink), 640u);
    EXPECT_EQ(SetInRow(10, Ink).size(), 640u);
    Paper();
    DrawLine(nullptr, -5, -5, 5, 5, Ink);
    EXPECT_EQ(Inked(0, 0, 10, 10), (Points{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
    Paper();
    DrawLine(nullptr, -10, -5, 700, -5, Ink);  // both ends above: nothing
    DrawLine(nullptr, 2000, 3, 2000, 400, Ink);
    EXPECT_EQ(Count(Ink), 0u);
    // A line ending far outside still reaches the edge on its own slope.
    Paper();
    DrawLine(nullptr, 630, 10, 650, 30, Ink);
    EXPECT_EQ(Inked(600, 0, 639, 479).back(), (std::pair<int32_t, int32_t>{639, 19}));
}

TEST_F(Drawing, DashStylePlotsByTheBitsOfThePattern) {
    Paper();
    DrawLine(nullptr, 0, 20, 31, 20, Ink, LineShape::Segment, 0xF0F0);
    EXPECT_EQ(SetInRow(20, Ink),
              (std::vector<int32_t>{0, 1, 2, 3, 8, 9, 10, 11, 16, 17, 18, 19, 24, 25, 26, 27}));
}

TEST_F(Drawing, BoxesOrderTheirCornersAndClip) {
    Paper();
    DrawLine(nullptr, 10, 10, 0, 0, Ink, LineShape::FilledBox);
    EXPECT_EQ(Count(Ink), 121u);
    EXPECT_EQ(Inked(0, 0, 20, 20).back(), (std::pair<int32_t, int32_t>{10, 10}));

    Paper();
    DrawLine(nullptr, 2, 2, 6, 5, Ink, LineShape::BoxOutline);
    EXPECT_EQ(Count(Ink), 14u);
    EXPECT_EQ(GetPixel(nullptr, 4, 3), PaperColour);

    // Only the edges inside the screen are drawn: no left column here.
    Paper();
    DrawLine(nullptr, -5, 10, 10, 20, Ink, LineShape::BoxOutline);
    EXPECT_EQ(GetPixel(nullptr, 0, 15), PaperColour);
    EXPECT_EQ(GetPixel(nullptr, 10, 15), Ink);
    EXPECT_EQ(SetInRow(10, Ink).size(), 11u);
    EXPECT_EQ(SetInRow(20, Ink).size(), 11u);

    Paper();
    DrawLine(nullptr, -20, -20, -1, -1, Ink, LineShape::FilledBox);
    EXPECT_EQ(Count(Ink), 0u);
}

// Discs: the half-widths of each row outwards from the centre row.
void ExpectDisc(int32_t cx, int32_t cy, const std::vector<int32_t>& halfWidths, size_t total) {
    for (size_t dy = 0; dy < halfWidths.size(); ++dy) {
        for (int32_t sign : {-1, 1}) {
            const int32_t y = cy + sign * static_cast<int32_t>(dy);
            const int32_t h = halfWidths[dy];
            for (int32_t x = cx - h - 2; x <= cx + h + 2; ++x) {
                const bool inside = x >= cx - h && x <= cx + h;
                EXPECT_EQ(GetPixel(nullptr, x, y) == Ink, inside) << x << "," << y;
            }
        }
    }
    size_t n = 0;
    for (int32_t y = cy - 20; y <= cy + 20; ++y)
        for (int32_t x = cx - 20; x <= cx + 20; ++x) n += GetPixel(nullptr, x, y) == Ink;
    EXPECT_EQ(n, total);
}

TEST_F(Drawing, FilledDiscsFollowTheIntegerWalk) {
    Paper();
    DrawCircle(nullptr, 100, 100, 3.0f, Ink, 0.0f, 0.0f, FullCircle, -1, PointAbsolute);
    ExpectDisc(100, 100, {3, 3, 2, 1}, 7 + 2 * (7 + 5 + 3));
    Paper();
    DrawCircle(nullptr, 200, 100, 5.0f, Ink);
    ExpectDisc(200, 100, {5, 5, 4, 4, 3, 1}, 11 + 2 * (11 + 9 + 9 + 7 + 3));
}

TEST_F(Drawing, CirclesClipAndIgnoreNonPositiveRadii) {
    Paper();
    DrawCircle(nullptr, 0, 0, 5.0f, Ink);
    EXPECT_EQ(Inked(0, 0, 10, 10).size(), 6u + 6u + 5u + 5u + 4u + 2u);
    DrawCircle(nullptr, 300, 300, 0.0f, Ink);
    DrawCircle(nullptr, 300, 300, -4.0f, Ink);
    EXPECT_EQ(Inked(280, 280, 320, 320).size(), 0u);
    // An outline plots only the two ends of each row.
    DrawCircle(nullptr, 300, 300, 5.0f, Ink, 0.0f, 0.0f, FullCircle, 0);
    EXPECT_EQ(SetInRow(300, Ink, 290, 310), (std::vector<int32_t>{295, 305}));
    // A huge radius still covers the screen, quickly.
    DrawCircle(nullptr, 320, 240, 1e9f, Ink);
    EXPECT_EQ(Count(Ink), 640u * 480u);
}

// Far, huge, partly hidden and degenerate drawings on a small screen: the count and a fingerprint
// (FNV-1a of the positions) of the inked pixels that the window shows, which must be all there are.
TEST_F(Drawing, ClippedDrawingsKeepTheirPixelsAndAreShownWhole) {
    Open(83, 61);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const auto circle = [](float cx, float cy, float r, float aspect, int32_t fill) {
        return [=] { DrawCircle(nullptr, cx, cy, r, Ink, aspect, 0.0f, FullCircle, fill); };
    };
    const auto line = [](float x1, float y1, float x2, float y2,
                         LineShape shape = LineShape::Segment) {
        return [=] { DrawLine(nullptr, x1, y1, x2, y2, Ink, shape); };
    };
    const auto text = [](float x, float y) {
        return [=] { DrawText(nullptr, x, y, PointAbsolute, "AB", Ink); };
    };
    const auto image = [](float x, float y) {
        return [=] {
            ImageBuffer* square = CreateImage(4, 4, Ink);
            PutImage(nullptr, x, y, square);
            DestroyImage(square);
        };
    };
    const uint64_t nothing = 14695981039346656037u;
    const std::tuple<const char*, std::function<void()>, ptrdiff_t, uint64_t> cases[] = {
        {"text above the top", [] { DrawText(nullptr, 5, -3, PointAbsolute, "AB", Ink); }, 37,
         14715711762173985261u},
        {"disc over the top", circle(40, 2, 10, 0, -1), 219, 103365934346391269u},
        {"tall ellipse", circle(40, 30, 4, 3, -1), 40, 6455820400825526157u},
        {"centre far right", circle(1e30f, 30, 5, 0, -1), 0, 14695981039346656037u},
        {"centre far left", circle(-1e19f, 30, 5, 0, -1), 0, 14695981039346656037u},
        {"centre not a number", circle(nan, 30, 5, 0, -1), 0, 14695981039346656037u},
        // The same pixels as a radius-5 disc, as a segment to (82, 41), as x = 0...40 on each row.
        {"aspect not a number", circle(40, 30, 5, nan, -1), 89, 11722865362840900093u},
        {"far segment", line(0, 0, 2e9f, 1e9f), 83, 100725014766107316u},
        {"edge of a huge disc", circle(-1499960, 30, 1.5e6f, 0, -1), 2501, 6197815771763281915u},
        {"outline", circle(40.5f, 30.5f, 5, 0, 0), 28, 12819554452417362397u},
        {"disc left of zero", circle(-0.5f, 30, 3, 0, -1), 15, 9192323862889794272u},
        {"narrow tall disc", circle(40, 30, 20, 14, -1), 136, 13153223973032419965u},
        {"disc under a pixel", circle(40, 30, 0.5f, 0, -1), 2, 2454677334664338026u},
        {"flat outline", circle(40, 30, 30, 0.02f, 0), 61, 2183168483422353243u},
        {"outline's bottom", circle(40, -500, 530, 0, 0), 83, 8062180567281917840u},
        {"outline's top", circle(40, 1000030, 1e6f, 0, 0), 83, 10365016867402380266u},
        {"disc's right edge", circle(-999960, 30, 1e6f, 0, -1), 2501, 6197815771763281915u},
        {"wide ellipse's top", circle(40, 20030, 40000, 0.5f, -1), 2573, 1945371639171270465u},
        {"segment across", line(-1e9f, 5, 1e9f, 50), 83, 6888523805095197931u},
        // Centre (3s, -4s) and radius 5s put the edge through (0, 0) along y = 3x / 4.
        {"disc past 2^30", circle(0x3p29f, -0x4p29f, 0x5p29f, 0, -1), 2603, 11153830309047631240u},
        {"disc near the largest float", circle(0x3p124f, -0x4p124f, 0x5p124f, 0, -1), 2603,
         11153830309047631240u},
        {"outline squared past the floats", circle(0x3p64f, -0x4p64f, 0x5p64f, 0, 0), 82,
         12234279081564647870u},
        {"segment from no number", line(nan, 10, 50, 10), 0, nothing},
        {"box outline to no number", line(10, 10, 50, nan, LineShape::BoxOutline), 0, nothing},
        {"filled box from no number", line(10, nan, 50, 40, LineShape::FilledBox), 0, nothing},
        {"pixel at no number", [=] { SetPixel(nullptr, nan, 5, Ink); }, 0, nothing},
        {"text at no number", text(5, nan), 0, nothing},
        {"image at no number", image(nan, 5), 0, nothing},
        {"text right of the screen", text(83, 20), 0, nothing},
        {"text left of the screen", text(-16, 20), 0, nothing},
        {"box outline around the screen", line(-1, -1, 83, 61, LineShape::BoxOutline), 0, nothing},
    };
    for (const auto& [what, draw, inked, expected] : cases) {
        Paper();
        headless::Sync();
        const int64_t presents = headless::PresentCount();
        draw();
        headless::Sync();
        const std::vector<uint32_t> shown = headless::PresentedFrame();
        EXPECT_EQ(shown, Pixels()) << what;
        // Rows are marked for presenting only where a drawing reaches the screen.
        EXPECT_EQ(headless::PresentCount() > presents, inked > 0) << what;
        uint64_t fingerprint = 14695981039346656037u;
        for (size_t i = 0; i < shown.size(); ++i)
            if (shown[i] == Ink) fingerprint = (fingerprint ^ i) * 1099511628211u;
        EXPECT_EQ(std::count(shown.begin(), shown.end(), Ink), inked) << what;
        EXPECT_EQ(fingerprint, expected) << what;
    }
}

TEST_F(Drawing, TextDrawsOnlyTheSetBitsOfEachGlyph) {
    Paper();
    DrawText(nullptr, 0, 0, PointAbsolute, "A", 0);
    EXPECT_EQ(SetInRow(0, 0x00000000, 0, 15), (std::vector<int32_t>{2, 3}));
    EXPECT_EQ(SetInRow(7, PaperColour, 0, 7).size(), 8u);
    // Glyphs partly off the left edge are clipped pixel by pixel; the rest still draw.
    Paper();
    DrawText(nullptr, -6, 20, PointAbsolute, "AA", Ink);
    EXPECT_EQ(SetInRow(20, Ink, 0, 15), (std::vector<int32_t>{4, 5}));
    // The last glyph row is row 7 of the text; an empty string draws nothing.
    Paper();
    DrawText(nullptr, 0, 473, PointAbsolute, "\xDB", Ink);
    DrawText(nullptr, 100, 100, PointAbsolute, "", Ink);
    EXPECT_EQ(Count(Ink), 8u * 7u);
}

TEST_F(Drawing, GetPixelOutsideOrWithoutAScreenIsAllOnes) {
    EXPECT_EQ(GetPixel(nullptr, -1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 640, 0), 0xFFFFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 0, 480), 0xFFFFFFFFu);
    CloseScreen();
    EXPECT_EQ(GetPixel(nullptr, 0, 0), 0xFFFFFFFFu);
    DrawLine(nullptr, 0, 0, 10, 10, Ink);  // no screen: nothing happens, nothing crashes
}

TEST_F(Drawing, CoordinatesRoundHalfAwayFromZeroAndFollowTheLastPoint) {
    Paper();
    SetPixel(nullptr, 2.5f, 1.4f, Ink);
    EXPECT_EQ(GetPixel(nullptr, 3, 1), Ink);
    SetPixel(nullptr, -0.5f, 0.0f, Ink);  // rounds to -1: outside
    EXPECT_EQ(Count(Ink), 1u);
    // Mode 5: relative to the last point, which the previous call left at (-0.5, 0).
    SetPixel(nullptr, 10.5f, 4.0f, Ink, PointRelativeToLast);
    EXPECT_EQ(GetPixel(nullptr, 10, 4), Ink);
    // Mode 1: the second point relative to the first.
    DrawLine(nullptr, 20, 20, 3, 0, Ink, LineShape::Segment, 0xFFFF, SecondRelative);
    EXPECT_EQ(SetInRow(20, Ink, 15, 30), (std::vector<int32_t>{20, 21, 22, 23}));
    // Bit 31 picks the foreground, or the background with usePreset.
    SetPixel(nullptr, 50, 50, Ink, PointAbsolute | DefaultColourFlag);
    SetPixel(nullptr, 51, 50, Ink, PointAbsolute | DefaultColourFlag, 1);
    EXPECT_EQ(GetPixel(nullptr, 50, 50), 0x00FFFFFFu);
    EXPECT_EQ(GetPixel(nullptr, 51, 50), PaperColour);
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
    DrawLine(nullptr, 0, 5, 639, 5, Ink);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_NE(headless::PresentedFrame()[5 * 640], Ink);
    UnlockScreen(-1, -1);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_NE(headless::PresentedFrame()[5 * 640], Ink);
    UnlockScreen(-1, -1);
    headless::Sync();
    EXPECT_EQ(headless::PresentedFrame()[5 * 640], Ink);
}

TEST_F(Drawing, OnlyDrawingOnTheScreenIsPresented) {
    headless::Sync();
    const int64_t before = headless::PresentCount();
    ImageBuffer* image = CreateImage(8, 8, 0, 0, 0x80000000);
    DrawLine(image, 0, 0, 7, 7, Ink);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before);
    SetPixel(nullptr, 3, 400, Ink);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before + 1);
    EXPECT_EQ(headless::PresentedFrame()[400 * 640 + 3], Ink);
    // An unlock at count 0 only marks rows: they are presented again.
    UnlockScreen(0, 0);
    headless::Sync();
    EXPECT_EQ(headless::PresentCount(), before + 2);
    DestroyImage(image);
}
