// A resizable screen follows its window's size; a fixed one keeps its own.
#include <chrono>
#include <optional>
#include <thread>

#include "tests/support/headless_screen.h"

namespace {

constexpr uint32_t Red = 0xFFFF0000;
constexpr uint32_t Black = 0xFF000000;
constexpr uint32_t Outside = 0xFFFFFFFF;

class Resize : public HeadlessScreen {
protected:
    void SetUp() override {}
    void OpenResizable(int32_t width, int32_t height) {
        headless::UseHeadlessBackend();
        ASSERT_EQ(OpenScreen(width, height, 32, 0, ResizableWindow), ScreenResult::Ok);
    }
};

}  // namespace

// Each resize keeps what fits of the old frame, black elsewhere, is reported once with the
// latest size, and is what the window is shown at.
TEST_F(Resize, TheFrameFollowsTheWindow) {
    OpenResizable(100, 80);
    SetPixel(nullptr, 10, 70, Red);
    SetPixel(nullptr, 90, 10, Red);
    struct Case {
        int32_t width, height;
        uint32_t at10x70, at90x10, lastPixel, beyond;
    };
    for (const Case& c :
         {Case{150, 75, Red, Red, Black, Outside}, Case{160, 90, Red, Red, Black, Outside},
          Case{50, 40, Outside, Outside, Black, Outside}}) {
        headless::ResizeWindow(c.width, c.height);
        headless::Sync();
        const std::optional<ScreenSize> size = TakeScreenResize();
        ASSERT_TRUE(size) << c.width;
        EXPECT_EQ(size->width, c.width);
        EXPECT_EQ(size->height, c.height);
        EXPECT_FALSE(TakeScreenResize()) << "reported once";
        EXPECT_EQ(GetPixel(nullptr, 10, 70), c.at10x70) << c.width;
        EXPECT_EQ(GetPixel(nullptr, 90, 10), c.at90x10) << c.width;
        EXPECT_EQ(GetPixel(nullptr, c.width - 1, c.height - 1), c.lastPixel) << c.width;
        EXPECT_EQ(GetPixel(nullptr, c.width, 0), c.beyond) << c.width;
        EXPECT_EQ(GetPixel(nullptr, 0, c.height), c.beyond) << c.width;
        // Drawing reaches the new last row, and the window shows the new size.
        DrawLine(nullptr, 0, c.height - 1, c.width - 1, c.height - 1, Red);
        headless::Sync();
        const std::vector<uint32_t> shown = headless::PresentedFrame();
        EXPECT_EQ(headless::PresentedWidth(), c.width);
        ASSERT_EQ(shown.size(), static_cast<size_t>(c.width) * c.height);
        EXPECT_EQ(shown.back(), Red);
    }
    // Two resizes before the program looks: the latest counts.
    headless::ResizeWindow(120, 100);
    headless::ResizeWindow(130, 110);
    headless::Sync();
    EXPECT_EQ(TakeScreenResize()->width, 130);
}

TEST_F(Resize, AFixedScreenKeepsItsSize) {
    Open(100, 80);
    headless::ResizeWindow(150, 90);
    headless::Sync();
    EXPECT_FALSE(TakeScreenResize());
    EXPECT_EQ(GetPixel(nullptr, 99, 79), Black);
    EXPECT_EQ(GetPixel(nullptr, 120, 10), Outside);
    EXPECT_EQ(headless::PresentedWidth(), 100);
}

// While the program holds the screen locked for a frame, the frame keeps its size.
TEST_F(Resize, NotWhileTheProgramDrawsAFrame) {
    OpenResizable(100, 80);
    LockScreen();
    headless::ResizeWindow(150, 90);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(GetPixel(nullptr, 120, 10), Outside);
    UnlockScreen();
    headless::Sync();
    EXPECT_EQ(GetPixel(nullptr, 120, 10), Black);
}
