#include "gui/text_field.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "base/text_encoding.h"
#include "gui/text_entry.h"

namespace {

constexpr int8_t BlinkPeriod = 80;
constexpr int8_t CaretShownBelow = 40;
// A second press this soon, this near the first, is a double click.
constexpr double DoubleClickSeconds = 0.5;
constexpr int32_t DoubleClickReach = 4;

// How many characters the field shows at once; a negative Length shows none.
int32_t ShownLength(const TextField& field) {
    return std::max(field.Length, 0);
}

// The characters shown, in the font's glyph codes, one per character: exact even when the host
// replaced the text since the last Update, and in a time bounded by the field's width.
std::string ShownText(const TextField& field) {
    if (field.Kind == TextFieldKind::PasswordBox)
        return std::string(static_cast<size_t>(CharacterCount(field.Text)), '*');
    if (field.Kind == TextFieldKind::TextBox) return Cp437Glyphs(field.Text);
    const std::string_view text = field.Text;
    return Cp437Glyphs(text.substr(LastCharactersOffset(text, ShownLength(field))));
}

Rect Box(const TextField& field) {
    return LineBox(field.X, field.Y, field.Length);
}

// The caret goes to the end of a text the host put there, which it has not edited.
void FollowHostText(TextField& field) {
    if (field.Text.size() == field.KnownText.size() && field.Text == field.KnownText) return;
    field.KnownText = field.Text;
    field.KnownLength = CharacterCount(field.Text);
    field.CaretPos = field.SelectionStart = field.KnownLength;
}

// A ScrollTextBox's caret stays in its visible tail; without a selection its other end goes along.
void KeepCaretInText(TextField& field) {
    const int32_t length = TextLength(field);
    const bool selecting = field.SelectionStart != field.CaretPos;
    field.CaretPos = std::clamp(field.CaretPos, ScrolledOut(field), length);
    field.SelectionStart = selecting ? std::clamp(field.SelectionStart, 0, length) : field.CaretPos;
}

// Every key waiting, in the order typed, while the field keeps the focus: a click that follows
// them (on "Start") finds them all in the text.
void TakeTypedKeys(TextField& field) {
    while (field.Focused) {
        const TypedKey key = ReadTypedKey();
        if (key.Kind == KeyKind::NoneWaiting) return;
        EditWithKey(field, key);
        KeepCaretInText(field);
    }
}

// The character boundary nearest to the pointer, within the characters shown.
int32_t CaretUnder(const TextField& field, int32_t pointerX) {
    const int32_t offset = pointerX - (field.X + 3) + GlyphSize / 2;
    const int32_t shown = offset < 0 ? 0 : offset / GlyphSize;
    return std::clamp(ScrolledOut(field) + shown, ScrolledOut(field), TextLength(field));
}

bool IsDoubleClick(const TextField& field, int32_t pointerX) {
    return field.LastPressTime >= 0 && Timer() - field.LastPressTime <= DoubleClickSeconds &&
           std::abs(pointerX - field.LastPressX) <= DoubleClickReach;
}

// A new left press on the field: a double click selects everything, Shift extends the selection
// to the pointer, a plain press places the caret there and starts a drag.
void Press(TextField& field, int32_t pointerX) {
    const bool doubleClick = IsDoubleClick(field, pointerX);
    field.LastPressTime = doubleClick ? -1 : Timer();
    field.LastPressX = pointerX;
    field.Dragging = doubleClick ? 0 : 1;
    if (doubleClick) {
        field.SelectionStart = 0;
        field.CaretPos = TextLength(field);
        return;
    }
    field.CaretPos = CaretUnder(field, pointerX);
    if (!KeyHeld(scan_code::LeftShift)) field.SelectionStart = field.CaretPos;
}

// The left button: pressed on the field, dragged (inside the window or out of it), let go. While
// the pointer is out of the window's reach nothing is known of it, and nothing changes.
void FollowPointer(TextField& field) {
    const PointerState pointer = PollPointer();
    if (pointer.Buttons < 0) return;
    const bool down = LeftButtonAlone(pointer);
    if (down && !field.LeftWasDown && Hits(ReachingRight(Box(field)), pointer)) {
        Press(field, pointer.X);
    } else if (down && field.Dragging) {
        field.CaretPos = CaretUnder(field, pointer.X);
    } else if (!down) {
        field.Dragging = 0;
    }
    field.LeftWasDown = down ? 1 : 0;
}

// The first character shown, counted afresh: the host may have replaced the text since Update.
int32_t FirstShown(const TextField& field) {
    if (field.Kind != TextFieldKind::ScrollTextBox) return 0;
    return std::max(CharacterCount(field.Text) - ShownLength(field), 0);
}

void DrawSelection(const TextField& field, std::string_view shown, int32_t first) {
    const int32_t from = std::max(std::min(field.SelectionStart, field.CaretPos) - first, 0);
    const int32_t to = std::min(std::max(field.SelectionStart, field.CaretPos) - first,
                                static_cast<int32_t>(shown.size()));
    if (from >= to) return;
    const int32_t left = field.X + 3 + GlyphSize * from;
    FillBox(nullptr, {left, field.Y + 3, left + GlyphSize * (to - from) - 1, field.Y + 11},
            Palette::Ink);
    DrawText(nullptr, left, field.Y + 4, PointAbsolute,
             shown.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)),
             Palette::Field);
}

}  // namespace

int32_t TextLength(const TextField& field) {
    return field.KnownLength;
}

int32_t ScrolledOut(const TextField& field) {
    if (field.Kind != TextFieldKind::ScrollTextBox) return 0;
    return std::max(TextLength(field) - ShownLength(field), 0);
}

TextField::TextField(TextFieldKind kind, int32_t x, int32_t y, int32_t length, std::string text)
    : Kind(kind), Text(std::move(text)), X(x), Y(y), Length(length) {}

void Update(TextField& field) {
    const InputFrame frame;  // the focus and the caret see the same pointer
    FollowHostText(field);
    KeepCaretInText(field);
    TakeTypedKeys(field);
    if (!field.Hidden) {
        UpdateFocus(ReachingRight(Box(field)), field.Hovered, field.Focused,
                    KeysBeforeClick::Dropped, field.Dragging);
        FollowPointer(field);
    }
    TakeTypedKeys(field);  // those typed after a click that gave the focus
    KeepCaretInText(field);
    field.BlinkCounter = static_cast<int8_t>((field.BlinkCounter + 1) % BlinkPeriod);
}

void Draw(const TextField& field) {
    if (field.Hidden) return;
    DrawSunkenBox(nullptr, Box(field));
    const std::string shown = ShownText(field);
    DrawText(nullptr, field.X + 3, field.Y + 4, PointAbsolute, shown, Palette::Ink);
    if (!field.Focused) return;
    const int32_t first = FirstShown(field);
    DrawSelection(field, shown, first);
    if (field.BlinkCounter > 0 && field.BlinkCounter < CaretShownBelow) {
        const int32_t caretX = field.X + GlyphSize * (field.CaretPos - first) + 2;
        DrawLine(nullptr, caretX, field.Y + 3, caretX, field.Y + 10, Palette::Ink);
    }
}

void Erase(const TextField& field) {
    if (!field.Hidden) FillBox(nullptr, Box(field), Palette::Ink);
}
