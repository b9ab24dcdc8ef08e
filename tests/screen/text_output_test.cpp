// The program's text output: opaque cells on the text grid, control codes and scrolling.
#include "tests/support/headless_screen.h"

namespace {

constexpr uint32_t Foreground = 0x00FFFFFF;
constexpr uint32_t Background = 0x00000080;

// Whether the 8 x 8 cell at (column, row) shows `code` in the two colours.
bool CellShows(int32_t column, int32_t row, uint8_t code) {
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            const bool set = (Font8x8[code * 8 + y] >> x) & 1;
            if (GetPixel(nullptr, column * 8 + x, row * 8 + y) != (set ? Foreground : Background))
                return false;
        }
    }
    return true;
}

}  // namespace

class TextOutput : public HeadlessScreen {
protected:
    void SetUp() override {
        Open(640, 50);  // 80 x 6 cells
        SetColors(Foreground, Background);
        ClearScreen();
    }
};

TEST_F(TextOutput, CellsAreOpaqueAndLinesEndWithCrLf) {
    PrintLine("Hi");
    Print("!");
    EXPECT_TRUE(CellShows(0, 0, 'H'));
    EXPECT_TRUE(CellShows(1, 0, 'i'));
    EXPECT_TRUE(CellShows(0, 1, '!'));
    EXPECT_TRUE(CellShows(2, 0, ' ') || GetPixel(nullptr, 16, 0) == Background);
}

TEST_F(TextOutput, ControlCodesMoveTheCursor) {
    Print("ab\bc\tT\rZ");
    EXPECT_TRUE(CellShows(0, 0, 'Z'));
    EXPECT_TRUE(CellShows(1, 0, 'c'));
    EXPECT_TRUE(CellShows(8, 0, 'T'));
    // After the last column the text goes on at the start of the next row.
    ClearScreen();
    Print(std::string(80, '.') + "w");
    EXPECT_TRUE(CellShows(79, 0, '.'));
    EXPECT_TRUE(CellShows(0, 1, 'w'));
}

TEST_F(TextOutput, WritingBelowTheLastRowScrollsUp) {
    for (char c = '1'; c <= '6'; ++c) PrintLine(std::string(1, c));
    EXPECT_TRUE(CellShows(0, 0, '1'));
    EXPECT_TRUE(CellShows(0, 5, '6'));  // a final line break does not scroll yet
    Print("7");
    EXPECT_TRUE(CellShows(0, 0, '2'));
    EXPECT_TRUE(CellShows(0, 4, '6'));
    EXPECT_TRUE(CellShows(0, 5, '7'));
    EXPECT_EQ(GetPixel(nullptr, 100, 45), Background);  // the freed row is cleared
    ClearScreen();
    Print("x");
    EXPECT_TRUE(CellShows(0, 0, 'x'));  // ClearScreen homes the cursor
}
