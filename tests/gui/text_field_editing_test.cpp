// A text field edited as desktop fields are: the editing keys, the selection and the clipboard.
#include <string>

#include "tests/gui/text_field_fixture.h"

namespace {

using namespace text_field_test;

// The editing keys of a desktop field, the selection and the clipboard.
TEST_F(TextFieldTest, EditsAsDesktopFieldsDo) {
    using enum TextFieldKind;
    struct Case {
        TextFieldKind kind;
        int32_t length;
        std::string text;
        int32_t caret;
        int32_t selectionStart;
        std::string keys;
        std::string textAfter;
        int32_t caretAfter;
        int32_t selectionStartAfter;
        std::string clipboardAfter;  // the clipboard holds "before" at first
    };
    const Case cases[] = {
        {ScrollTextBox, 50, "/home/u/pics/a.png", 18, 18, "^a 'b.png'", "b.png", 5, 5, "before"},
        // Ten taps before the field looks: none lost.
        {TextBox, 20, "abcdefghijkl", 12, 12, "10L 'X'", "abXcdefghijkl", 3, 3, "before"},
        {TextBox, 20, "ab", 0, 0, "L R R R", "ab", 2, 2, "before"},  // stops at either end
        {TextBox, 20, "abc", 1, 1, "H 'x' E 'y'", "xabcy", 5, 5, "before"},
        {TextBox, 20, "abc", 1, 1, "D E D", "ac", 2, 2, "before"},
        {TextBox, 20, "hello world", 11, 11, "S-L S-L S-L S-L S-L B", "hello ", 6, 6, "before"},
        {TextBox, 20, "abc def", 4, 4, "S-H 'x'", "xdef", 1, 1, "before"},
        {TextBox, 20, "abcdef", 4, 4, "S-L S-L R", "abcdef", 4, 4, "before"},  // to its end
        {TextBox, 20, "abcdef", 4, 4, "S-R S-R L", "abcdef", 4, 4, "before"},  // to its start
        // By words: Ctrl+Left to a word's start, Ctrl+Right to its end; "/" and "." part them.
        {ScrollTextBox, 50, "/tmp/pics/a.png", 15, 15, "^L ^L ^L ^R", "/tmp/pics/a.png", 9, 9,
         "before"},
        {TextBox, 20, "one two", 7, 7, "^B", "one ", 4, 4, "before"},
        {TextBox, 20, "a/b", 3, 3, "H ^D", "/b", 0, 0, "before"},
        // The clipboard: Ctrl+C, Ctrl+X, Ctrl+V and the older Ctrl+Insert, Shift+Delete,
        // Shift+Insert; a paste replaces the selection with the clipboard's first line.
        {ScrollTextBox, 50, "/tmp/pics/a.png", 15, 15, "^S-L ^x", "/tmp/pics/a.", 12, 12, "png"},
        {TextBox, 20, "abc", 1, 1, "^a ^c", "abc", 3, 0, "abc"},
        {TextBox, 20, "abc", 3, 3, "^a ^Ins S-D S-Ins S-Ins", "abcabc", 6, 6, "abc"},
        {ScrollTextBox, 50, "old/path", 8, 8, "^a ^c ^a 'x' ^v", "xold/path", 9, 9, "old/path"},
        // A password is neither copied nor cut; typing replaces its selection.
        {PasswordBox, 20, "secret", 6, 6, "^a ^c ^x 'x'", "x", 1, 1, "before"},
        // A full TextBox takes a key in place of a selection, and no more.
        {TextBox, 3, "abc", 3, 3, "S-L 'xy'", "abx", 3, 3, "before"},
        // A long ScrollTextBox keeps the caret in its visible tail; Ctrl+A takes it all.
        {ScrollTextBox, 4, "abcdefgh", 8, 8, "H 'x'", "abcdxefgh", 5, 5, "before"},
        {ScrollTextBox, 4, "abcdefgh", 8, 8, "S-H", "abcdefgh", 4, 8, "before"},
        {ScrollTextBox, 4, "abcdefgh", 8, 8, "^a 'z'", "z", 1, 1, "before"},
    };
    for (const Case& c : cases) {
        TextField field(c.kind, 10, 10, c.length, c.text);
        field.Focused = 1;
        Settle(field, c.caret, c.selectionStart);
        headless::SetClipboardText("before");
        PlayKeys(field, c.keys);
        EXPECT_EQ(field.Text, c.textAfter) << c.text << ": " << c.keys;
        EXPECT_EQ(field.CaretPos, c.caretAfter) << c.text << ": " << c.keys;
        EXPECT_EQ(field.SelectionStart, c.selectionStartAfter) << c.text << ": " << c.keys;
        EXPECT_EQ(ClipboardText(), c.clipboardAfter) << c.text << ": " << c.keys;
    }
}

// A double click selects everything; Shift with a click extends the selection to it. The
// selection shows inverted while the field has the focus.
TEST_F(TextFieldTest, DoubleClickAndShiftClickSelectAndTheSelectionShowsInverted) {
    TextField field(TextFieldKind::ScrollTextBox, 10, 10, 20, "/home/u/pics/sunset.png");
    ClickAt(field, 10 + 4, 15);
    ClickAt(field, 10 + 5, 15);
    EXPECT_EQ(field.SelectionStart, 0);
    EXPECT_EQ(field.CaretPos, 23);

    ClickAt(field, 10 + 3 + 8 * 5, 15);  // before "pics" (three characters scrolled out)
    headless::SetKeyHeld(scan_code::LeftShift, true);
    ClickAt(field, 10 + 3 + 8 * 16, 15);  // after "sunset"
    headless::SetKeyHeld(scan_code::LeftShift, false);
    EXPECT_EQ(field.SelectionStart, 8);
    EXPECT_EQ(field.CaretPos, 19);

    UserAt(300, 100);  // the pointer's sprite is no part of the field
    UntilCaretShows(field);
    Draw(field);
    ExpectedFrame expected;
    // "me/u/pics/sunset.png" with "pics/sunset" white on black; the caret lies in the black.
    expected.Place(10, 10, "scroll_text_box_with_selection");
    EXPECT_TRUE(ShowsFrame(expected));

    Type(field, "\r");  // without the focus, no selection shows
    Draw(field);
    EXPECT_EQ(GetPixel(nullptr, 10 + 3 + 8 * 5, 10 + 3), 0x00FFFFFFu);
}

}  // namespace
