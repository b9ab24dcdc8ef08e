#include "gui/text_field.h"

#include <tuple>

#include "tests/gui/text_field_fixture.h"

namespace {

using namespace text_field_test;

constexpr int32_t UpKey = (72 << 8) | 0xFF;
constexpr int32_t PageUpKey = (73 << 8) | 0xFF;

TEST_F(TextFieldTest, FieldOfFiftyAtTenTenSpansTenToFourFourteen) {
    TextField field(TextFieldKind::ScrollTextBox, 10, 10, 50, "abc");
    Draw(field);

    ExpectedFrame expected;
    expected.Place(10, 10, "scroll_text_box_of_fifty");
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_EQ(GetPixel(nullptr, 414, 22), 0x00AAAAAAu);
}

TEST_F(TextFieldTest, ReactsToThePointerStrictlyInsideOneMoreColumnThanItDraws) {
    TextField field(TextFieldKind::ScrollTextBox, 10, 10, 50);
    const std::tuple<int32_t, int32_t, uint8_t> cases[] = {
        {11, 11, 1}, {415, 21, 1}, {10, 15, 0}, {416, 15, 0}, {100, 10, 0}, {100, 22, 0}};
    for (const auto& [x, y, hovered] : cases) {
        UserAt(x, y);
        Update(field);
        EXPECT_EQ(field.Hovered, hovered) << x << ", " << y;
    }
}

TEST_F(TextFieldTest, ClickFocusesClickOutsideOrEnterTakesTheFocusAway) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10);
    Focus(field);
    EXPECT_EQ(field.Focused, 1);
    ClickAt(field, 300, 100);
    EXPECT_EQ(field.Focused, 0);

    Focus(field);
    Type(field, "ab\r");
    EXPECT_EQ(field.Focused, 0);
    EXPECT_EQ(field.Text, "ab");
    UntilCaretShows(field);
    Draw(field);
    ExpectedFrame expected;
    expected.Place(10, 10, "text_field_showing_ab");
    EXPECT_TRUE(ShowsFrame(expected));
}

// The click that gives the focus drops the keys typed before it, however late the field sees
// the click: the keys typed after it stay.
TEST_F(TextFieldTest, KeysTypedBeforeTheClickAreDroppedThoseAfterItKept) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10);
    UserTypes("xyz");
    UserAt(12, 15);
    Update(field);
    headless::SetButtons(1);
    headless::TypeText("ab");
    headless::Sync();
    Update(field);
    EXPECT_EQ(field.Focused, 1);
    EXPECT_EQ(field.Text, "ab");
}

// Every key typed since the last Update, in order, up to an Enter, which takes the focus away:
// the keys after it wait for the entry that has the focus next.
TEST_F(TextFieldTest, TakesTheKeysTypedSinceTheLastUpdateUpToAnEnter) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10);
    TextField next(TextFieldKind::TextBox, 10, 40, 10);
    Focus(field);
    UserTypes("abc\rde");
    Update(field);
    EXPECT_EQ(field.Text, "abc");
    EXPECT_EQ(field.CaretPos, 3);
    EXPECT_EQ(field.Focused, 0);
    next.Focused = 1;
    Update(next);
    EXPECT_EQ(next.Text, "de");
}

TEST_F(TextFieldTest, FiftyFirstCharacterIsDroppedByATextBoxAndScrolledInByAScrollTextBox) {
    const std::string fifty(50, 'x');
    TextField box(TextFieldKind::TextBox, 10, 10, 50, fifty);
    TextField scroll(TextFieldKind::ScrollTextBox, 10, 40, 50, fifty);
    for (TextField* field : {&box, &scroll}) {
        Focus(*field);
        ClickAt(*field, 414, field->Y + 5);  // far right: caret at the end
        EXPECT_EQ(field->CaretPos, 50);
        Type(*field, "Y");
    }
    EXPECT_EQ(box.Text, fifty);
    EXPECT_EQ(scroll.Text, fifty + "Y");

    UntilCaretShows(box);
    UntilCaretShows(scroll);
    Draw(box);
    Draw(scroll);
    ExpectedFrame expected;
    expected.Place(10, 10, "text_box_of_fifty_full");
    expected.Place(10, 40, "scroll_text_box_of_fifty_scrolled");  // characters 2..51
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_TRUE(CaretAt(10 + 8 * 50 + 2, 10 + 3));  // after the last character shown
    EXPECT_TRUE(CaretAt(10 + 8 * 50 + 2, 40 + 3));
}

TEST_F(TextFieldTest, BackspaceRemovesBeforeTheCaretAndNothingAtZero) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abc");
    Focus(field);
    EXPECT_EQ(field.CaretPos, 0);
    Type(field, "\b");
    EXPECT_EQ(field.Text, "abc");
    EXPECT_EQ(field.CaretPos, 0);

    ClickAt(field, 10 + 17, 15);  // (17 - 1) / 8 = 2
    Type(field, "\b");
    EXPECT_EQ(field.Text, "ac");
    EXPECT_EQ(field.CaretPos, 1);
}

// Characters start at X + 3, eight pixels each: a click on a character's left half puts the
// caret before it, on its right half after it.
TEST_F(TextFieldTest, CaretGoesToTheBoundaryNearestToTheClick) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abcdef");
    // Apart by more than a double click's reach.
    const std::pair<int32_t, int32_t> cases[] = {{5, 0},  {13, 1}, {7, 1}, {15, 2},
                                                 {21, 2}, {29, 3}, {78, 6}};
    for (const auto& [offset, caret] : cases) {
        ClickAt(field, 10 + offset, 15);
        EXPECT_EQ(field.CaretPos, caret) << "at X + " << offset;
    }
}

TEST_F(TextFieldTest, ScrollTextBoxPlacesTheCaretInItsVisibleTail) {
    TextField field(TextFieldKind::ScrollTextBox, 10, 10, 4, "abcdefgh");
    ClickAt(field, 10 + 13, 15);  // 4 scrolled out + floor(12 / 8)
    EXPECT_EQ(field.CaretPos, 5);
    ClickAt(field, 10 + 2, 15);  // left of the first shown character
    EXPECT_EQ(field.CaretPos, 4);
}

TEST_F(TextFieldTest, CaretMovesByArrowsOnlyWhileFocused) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abc");
    Settle(field, 0, 0);
    headless::PressDesktopKey(hid::Right);
    headless::Sync();
    Update(field);
    EXPECT_EQ(field.CaretPos, 0);
}

TEST_F(TextFieldTest, OtherExtendedKeysTabAndEscapeChangeNothing) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abc");
    ClickAt(field, 10 + 17, 15);
    for (int32_t key : {UpKey, PageUpKey}) {
        headless::PressKey(key);
        headless::Sync();
        Update(field);
    }
    Type(field, "\t\x1b");
    EXPECT_EQ(field.Text, "abc");
    EXPECT_EQ(field.CaretPos, 2);
    EXPECT_EQ(field.Focused, 1);
}

// Keys come before the pointer within an Update: a key typed before the click goes where the
// caret was, and the click then places the caret.
TEST_F(TextFieldTest, KeyTypedBeforeTheClickGoesWhereTheCaretWas) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abcdef");
    ClickAt(field, 10 + 25, 15);
    EXPECT_EQ(field.CaretPos, 3);

    UserTypes("x");
    UserAt(10 + 9, 15, 1);
    Update(field);

    EXPECT_EQ(field.Text, "abcxdef");
    EXPECT_EQ(field.CaretPos, 1);
}

TEST_F(TextFieldTest, PasswordBoxShowsStarsAndCaretBlinksThirtyNineOfEightyFrames) {
    TextField field(TextFieldKind::PasswordBox, 20, 30, 8);
    Focus(field);
    Type(field, "abc");
    EXPECT_EQ(field.Text, "abc");

    int32_t shown = 0;
    for (int32_t frame = 0; frame < 80; ++frame) {
        Update(field);
        shown += field.BlinkCounter > 0 && field.BlinkCounter < 40;
    }
    EXPECT_EQ(shown, 39);

    UntilCaretShows(field);
    Draw(field);
    ExpectedFrame expected;
    expected.Place(20, 30, "password_box_with_three");
    EXPECT_TRUE(ShowsFrame(expected));
    EXPECT_TRUE(CaretAt(20 + 8 * 3 + 2, 30 + 3));
}

TEST_F(TextFieldTest, HiddenFieldIsNotDrawnErasedOrHitButKeepsBlinking) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10);
    Hide(field);
    UserAt(20, 15);
    Update(field);
    UserAt(20, 15, 1);
    Update(field);
    Draw(field);
    Erase(field);
    EXPECT_EQ(field.Hovered, 0);
    EXPECT_EQ(field.Focused, 0);
    EXPECT_EQ(field.BlinkCounter, 2);
    EXPECT_TRUE(ShowsFrame(ExpectedFrame()));

    Show(field);
    Erase(field);
    ExpectedFrame expected;
    expected.Fill(10, 10, 94, 22, 0x00000000);
    EXPECT_TRUE(ShowsFrame(expected));
}

// The host replacing the text puts the caret at its end; a drag selects from the press to the
// pointer, which may leave the field and the window, and the caret never leaves the text.
TEST_F(TextFieldTest, HostTextAndDragsKeepTheCaretInTheText) {
    TextField field(TextFieldKind::TextBox, 10, 10, 10, "abcdef");
    ClickAt(field, 10 + 49, 15);
    field.Text = "ab";
    Type(field, "c");
    EXPECT_EQ(field.Text, "abc");
    EXPECT_EQ(field.CaretPos, 3);

    // Pressed after "b", dragged left past the field, out of the window and back, let go.
    const std::tuple<int32_t, int32_t, int32_t, int32_t> drag[] = {
        // x, buttons; caret and the selection's other end after the Update
        {10 + 21, 0, 3, 3}, {10 + 21, 1, 2, 2}, {0, 1, 0, 2},     {-5, 1, 0, 2},
        {10 + 29, 1, 3, 2}, {10 + 29, 0, 3, 2}, {10 + 5, 0, 3, 2}};
    for (const auto& [x, buttons, caret, selectionStart] : drag) {
        if (x < 0) {
            headless::PointerLeaves();
            headless::Sync();
        } else {
            UserAt(x, 15, buttons);
        }
        Update(field);
        EXPECT_EQ(field.CaretPos, caret) << "at " << x;
        EXPECT_EQ(field.SelectionStart, selectionStart) << "at " << x;
    }
    EXPECT_EQ(field.Text, "abc");
}

TEST_F(TextFieldTest, NegativeLengthHoldsAndShowsNothingWithoutFailing) {
    TextField scroll(TextFieldKind::ScrollTextBox, 100, 10, -3, "abc");
    TextField box(TextFieldKind::TextBox, 100, 40, -3);
    for (TextField* field : {&scroll, &box}) {
        field->Focused = 1;
        Type(*field, "d");
        Draw(*field);
    }
    EXPECT_EQ(scroll.Text, "abcd");  // the caret was at the end of the host's text
    EXPECT_EQ(box.Text, "");
    // The box is drawn to the left of X, and no text to the right of it.
    EXPECT_EQ(GetPixel(nullptr, 90, 15), 0x00FFFFFFu);
    int32_t black = 0;
    for (int32_t y = 14; y < 22; ++y)
        for (int32_t x = 103; x < 140; ++x) black += GetPixel(nullptr, x, y) == 0;
    EXPECT_EQ(black, 0);
}

TEST_F(TextFieldTest, EditsUtf8ByWholeCharactersAndPastesTheFirstLineAsFarAsThereIsRoom) {
    using enum TextFieldKind;
    const std::string path = "/tmp/B\xC3\xA4ume \xC3\x9C.bmp";
    // Kind, length, text, caret, clipboard, keys typed; the text and caret after them.
    const std::tuple<TextFieldKind, int32_t, std::string, int32_t, std::string, std::string_view,
                     std::string, int32_t>
        cases[] = {
            {TextBox, 3, "B\xC3\xA4", 2, "", "\xC3\xBCx", "B\xC3\xA4\xC3\xBC", 3},  // limit 3
            {TextBox, 9, "\xC3\xA4\xC3\xB6\xC3\xBC", 3, "", "\b", "\xC3\xA4\xC3\xB6", 2},
            {TextBox, 9, "\xC3\xA4\xC3\xB6", 1, "", "\b\xE2\x82\xAC", "\xE2\x82\xAC\xC3\xB6", 1},
            {ScrollTextBox, 4, "", 0, "", "B\xC3\xA4ume", "B\xC3\xA4ume", 5},
            // Malformed bytes a host put in are one character each, edited safely.
            {TextBox, 9, "a\xFF\x62", 3, "", "\b\b", "a", 1},
            {TextBox, 9, "a\xE2\x82", 1, "", "\xC3\xA9", "a\xC3\xA9\xE2\x82", 2},
            {ScrollTextBox, 5, "", 0, path + "\nsecond line", "\x16", path, 16},
            {TextBox, 5, "ab", 1, "x\ty\x7Fz\xC3\xA4", "\x16", "axyzb", 4},  // controls dropped
            {TextBox, 5, "ab", 0, "\r\nzz", "\x16", "ab", 0},
            {ScrollTextBox, 9, "", 0, std::string("/a\0/b", 5), "\x16", "/a", 2},  // NUL ends it
            {PasswordBox, 3, "", 0, "\xC3\xA4\xFF\xC3\xB6\xC3\xBC", "\x16",
             "\xC3\xA4\xEF\xBF\xBD\xC3\xB6", 3},
        };
    for (const auto& [kind, length, text, caret, clipboard, typed, expected, caretAfter] : cases) {
        TextField field(kind, 10, 10, length, text);
        field.Focused = 1;
        Settle(field, caret, caret);
        headless::SetClipboardText(clipboard);
        Type(field, typed);
        EXPECT_EQ(field.Text, expected) << text << " + " << typed;
        EXPECT_EQ(field.CaretPos, caretAfter) << text << " + " << typed;
    }
}

TEST_F(TextFieldTest, ClickArrowsAndShiftInsertCountCharacters) {
    TextField field(TextFieldKind::TextBox, 10, 10, 9, "\xC3\xA4\xC3\xB6\xC3\xBC");
    ClickAt(field, 10 + 16, 15);  // on the right half of the second character: after it
    Type(field, "x");
    headless::PressDesktopKey(hid::Left);  // tapped between two Updates
    headless::Sync();
    Update(field);
    Type(field, "y");
    headless::SetClipboardText("z");
    headless::PressDesktopKey(hid::Insert, ShiftHeld);
    headless::Sync();
    Update(field);
    EXPECT_EQ(field.Text, "\xC3\xA4\xC3\xB6yzx\xC3\xBC");
    EXPECT_EQ(field.CaretPos, 4);
}

TEST_F(TextFieldTest, CharactersShowAsTheFontsGlyphsOrQuestionMarks) {
    TextField box(TextFieldKind::TextBox, 10, 10, 10, "B\xC3\xA4ume \xC3\x9C\xE2\x82\xAC");
    TextField scroll(TextFieldKind::ScrollTextBox, 10, 30, 3, "\xC3\xA9\xC3\xA0\xC3\xA7\xC3\xB1");
    TextField password(TextFieldKind::PasswordBox, 10, 50, 4, "\xC3\x9F\xC2\xA3");
    for (TextField* field : {&box, &scroll, &password}) Draw(*field);
    // "B\x84ume \x9A?", "\x85\x87\xA4" and "**" in the font's codes.
    ExpectedFrame expected;
    expected.Place(10, 10, "text_fields_beyond_ascii");
    EXPECT_TRUE(ShowsFrame(expected));
}

}  // namespace
