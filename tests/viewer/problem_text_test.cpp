// The reason a file cannot be shown, drawn in the window.
#include "viewer/problem_text.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/headless_screen.h"

namespace {

class ProblemTextTest : public HeadlessScreen {
protected:
    std::vector<uint32_t> FrameOf(const std::string& path) {
        DrawLine(nullptr, 0, 0, 639, 479, 0xFFDDDDDD, LineShape::FilledBox);  // the panel
        DrawProblem(path, "damaged", {640, 480}, 1);
        return Pixels();
    }
};

// A name beyond ASCII takes one cell a character: "\u00e9.png" is drawn where "e.png" is, only
// its first cell differing (drawn byte by byte, its two bytes would be two glyphs and the whole
// line would move).
TEST_F(ProblemTextTest, ANameBeyondAsciiTakesACellACharacter) {
    const std::vector<uint32_t> plain = FrameOf("e.png");
    const std::vector<uint32_t> accented = FrameOf("\xC3\xA9.png");
    // Three lines of 16 pixels centred in 480; five cells centred in 640.
    const int32_t cellX = (640 - 5 * 8) / 2, cellY = (480 - 3 * 16) / 2;
    // The box around the pixels that differ.
    int32_t left = 640, top = 480, right = -1, bottom = -1;
    for (int32_t y = 0; y < 480; ++y) {
        for (int32_t x = 0; x < 640; ++x) {
            if (plain[y * 640 + x] == accented[y * 640 + x]) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "the two names look alike";
    EXPECT_GE(left, cellX);
    EXPECT_LT(right, cellX + 8);
    EXPECT_GE(top, cellY);
    EXPECT_LT(bottom, cellY + 8);
}

}  // namespace
