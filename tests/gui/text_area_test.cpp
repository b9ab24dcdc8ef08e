#include "gui/text_area.h"

#include <tuple>

#include "base/text_encoding.h"
#include "tests/gui/widget_test_support.h"

namespace {

using namespace widget_test;

// An area of 10 columns by 3 rows at (40, 20): box 40..126 by 20..50, hit area strictly inside.
class TextAreaTest : public WidgetTest {
protected:
    TextArea area{40, 20, 10, 3};

    // One frame of the host's loop: Update, then Draw.
    void Frame(TextArea& target) {
        Update(target);
        Draw(target);
    }
    void Focus(TextArea& target) {
        UserAt(target.X + 3, target.Y + 3, 1);
        Frame(target);
        UserAt(target.X + 3, target.Y + 3, 0);
    }
    // Each character typed in its own frame, as a user types slower than the frame rate; "\x16"
    // is Ctrl+V.
    void Type(TextArea& target, std::string_view keys) {
        for (int32_t i = 0; i < CharacterCount(keys); ++i) {
            const size_t at = CharacterOffset(keys, i);
            UserTypes(keys.substr(at, CharacterOffset(keys, i + 1) - at));
            Frame(target);
        }
    }
};

TEST_F(TextAreaTest, TypedLinesAreDrawnEightPixelsApart) {
    Focus(area);
    Type(area, "abc\rd");
    EXPECT_EQ(area.Text, "abc\rd");
    EXPECT_EQ(area.LastLine, "d");

    ExpectedFrame expected;
    expected.Place(40, 20, "text_area_two_lines");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(TextAreaTest, ALineStopsAtTheColumnLimitButEnterStillBreaksIt) {
    TextArea narrow(200, 20, 3, 3);
    Focus(narrow);
    Type(narrow, "abcd\ref");
    EXPECT_EQ(narrow.Text, "abc\ref");
}

TEST_F(TextAreaTest, EnterStopsAtTheRowLimit) {
    TextArea twoRows(200, 20, 10, 2);
    Focus(twoRows);
    Type(twoRows, "a\rb\rc");
    EXPECT_EQ(twoRows.Text, "a\rbc");
    EXPECT_EQ(twoRows.LineCount, 1);
}

TEST_F(TextAreaTest, BackspaceRemovesTheLastCharacterOrLineBreak) {
    Focus(area);
    Type(area, "\b");
    EXPECT_EQ(area.Text, "");
    Type(area, "ab\r\b");
    EXPECT_EQ(area.Text, "ab");
    Type(area, "\b\b\bz");
    EXPECT_EQ(area.Text, "z");
}

TEST_F(TextAreaTest, TheFocusingClickDiscardsKeysTypedBefore) {
    UserTypes("early");
    Frame(area);  // not focused: the keys stay in the buffer
    Focus(area);
    Type(area, "x");
    EXPECT_EQ(area.Text, "x");
}

TEST_F(TextAreaTest, AnExtendedKeyEndsTheDrainAndIsIgnored) {
    UserTypes("ab");
    headless::PressKey((72 << 8) | 0xFF);  // Up
    UserTypes("cd");
    Focus(area);  // drains "a", "b" and Up; the same Update takes "c"
    EXPECT_EQ(area.Text, "c");
    Frame(area);
    EXPECT_EQ(area.Text, "cd");
    headless::PressKey((59 << 8) | 0xFF);  // F1
    headless::PressCloseBox();
    headless::Sync();
    Frame(area);
    Frame(area);
    UserTypes("\t\x1B");  // Tab and Escape
    Frame(area);
    Frame(area);
    EXPECT_EQ(area.Text, "cd");
}

TEST_F(TextAreaTest, AClickOutsideTakesTheFocusAway) {
    Focus(area);
    UserAt(300, 100, 1);
    Frame(area);
    EXPECT_EQ(area.Focused, 0);
    EXPECT_EQ(area.Hovered, 0);
    Type(area, "x");
    EXPECT_EQ(area.Text, "");
}

TEST_F(TextAreaTest, HoverFollowsTheStrictHitArea) {
    const std::tuple<int32_t, int32_t, int32_t> cases[] = {{41, 21, 1},  {125, 49, 1}, {40, 30, 0},
                                                           {126, 30, 0}, {60, 20, 0},  {60, 50, 0}};
    for (const auto& [x, y, hovered] : cases) {
        UserAt(x, y);
        Frame(area);
        EXPECT_EQ(area.Hovered, hovered) << x << ", " << y;
    }
}

TEST_F(TextAreaTest, AHiddenAreaKeepsItsStateAndDrawsNothing) {
    Focus(area);
    Type(area, "abc\rd");
    UserAt(60, 30);
    Frame(area);
    Hide(area);
    UserAt(300, 100, 1);  // would take the focus
    UserTypes("c");
    Frame(area);
    PollPointer();  // the rest of the window's frame sees the press, which the area ignores
    Erase(area);
    EXPECT_EQ(area.Focused, 1);
    EXPECT_EQ(area.Hovered, 1);
    EXPECT_EQ(area.Text, "abc\rd");
    ExpectedFrame lastDrawn;
    lastDrawn.Place(40, 20, "text_area_two_lines");
    EXPECT_TRUE(ShowsFrame(lastDrawn));

    ClearScreen();
    Draw(area);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));
    Show(area);
    UserAt(60, 30);
    Frame(area);  // the waiting "c"
    EXPECT_EQ(area.Text, "abc\rdc");
}

TEST_F(TextAreaTest, PasteTypesEachCharacterAndLineBreakWithinTheLimits) {
    TextArea narrow(200, 20, 3, 2);
    Focus(narrow);
    headless::SetClipboardText("bc\r\ncd\tef\nx");
    Type(narrow, "\xC3\xA4\xC3\xB6\x16");  // two characters on the line, though four bytes
    EXPECT_EQ(narrow.Text, "\xC3\xA4\xC3\xB6\x62\rcde");
    ExpectedFrame expected;  // "\x84\x94\x62" and "cde" in the font's codes
    expected.Place(200, 20, "text_area_pasted_beyond_ascii");
    EXPECT_TRUE(ShowsFrame(expected));
}

TEST_F(TextAreaTest, EraseBlackensTheBox) {
    Draw(area);
    Erase(area);
    ExpectedFrame expected;
    expected.Fill(40, 20, 126, 50, 0x00000000);
    EXPECT_TRUE(ShowsFrame(expected));
}

}  // namespace
