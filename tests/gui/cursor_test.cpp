#include "gui/cursor.h"

#include <utility>

#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

constexpr uint32_t Black = 0x00000000;

class CursorTest : public WidgetTest {};

TEST_F(CursorTest, NewCursorDrawsNothingAndLeavesTheDesktopPointer) {
    Cursor cursor;
    UserAt(100, 20);
    Update(cursor);
    Draw(cursor);

    EXPECT_EQ(cursor.Hidden, 1);
    EXPECT_EQ(cursor.X, 0);  // a hidden sprite does not follow the mouse
    headless::Sync();
    EXPECT_TRUE(headless::PointerShown());
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
}

TEST_F(CursorTest, SpriteIsAnIBeamWithItsTopLeftAtThePointer) {
    Cursor cursor;
    ShowPointerSprite(cursor);
    UserAt(100, 20);
    Update(cursor);
    Draw(cursor);

    ExpectedFrame expected;
    expected.Place(100, 20, "pointer_sprite");
    EXPECT_TRUE(ShowsFrame(expected));
    // Top and bottom bars with gaps in their middles, the stem between them.
    for (auto [x, y] : {std::pair{100, 20}, {104, 20}, {102, 21}, {102, 28}, {101, 29}, {103, 29}})
        EXPECT_EQ(GetPixel(nullptr, x, y), Black) << x << ", " << y;
    for (auto [x, y] : {std::pair{102, 20}, {102, 29}, {101, 21}, {103, 28}})
        EXPECT_EQ(GetPixel(nullptr, x, y), Background) << x << ", " << y;
    EXPECT_FALSE(headless::PointerShown());
}

TEST_F(CursorTest, EraseBlackensOneMoreColumnAndRowWhereTheSpriteWas) {
    Cursor cursor;
    ShowPointerSprite(cursor);
    UserAt(100, 20);
    Update(cursor);
    UserAt(300, 60);
    Update(cursor);
    EXPECT_EQ(cursor.PrevX, 100);
    EXPECT_EQ(cursor.PrevY, 20);

    Erase(cursor);

    ExpectedFrame expected;
    expected.Fill(100, 20, 105, 30, Black);
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(CursorTest, SystemPointerTurnsTheSpriteOffAndKeepsThePosition) {
    Cursor cursor;
    ShowPointerSprite(cursor);
    UserAt(100, 20);
    Update(cursor);
    ShowSystemPointer(cursor);
    UserAt(300, 60);
    Update(cursor);
    Draw(cursor);

    headless::Sync();
    EXPECT_TRUE(headless::PointerShown());
    EXPECT_EQ(cursor.X, 100);
    EXPECT_EQ(cursor.Y, 20);
    EXPECT_EQ(cursor.PrevX, 100);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
}

TEST_F(CursorTest, PointerOutsideTheWindowReadsMinusOne) {
    Cursor cursor;
    ShowPointerSprite(cursor);
    headless::PointerLeaves();
    headless::Sync();
    Update(cursor);
    EXPECT_EQ(cursor.X, -1);
    EXPECT_EQ(cursor.Y, -1);
}

TEST(CursorDeathTest, WithoutAScreenTheProgramEndsWithItsMessage) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Cursor(), ::testing::ExitedWithCode(255),
                "\\[ERROR\\]Something went wrong in: Constructor Cursor\\(\\)");
}

}  // namespace
