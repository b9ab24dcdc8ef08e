#include "gui/text_field.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

#include "base/text_encoding.h"
#include "gui/text_entry.h"

namespace {

constexpr int8_t BlinkPeriod = 80;
constexpr int8_t CaretShownBelow = 40;

int32_t TextLength(const TextField& field) {
    return CharacterCount(field.Text);
}

// How many characters the field shows at once; a negative Length shows none.
int32_t ShownLength(const TextField& field) {
    return std::max(field.Length, 0);
}

// Characters scrolled out at the left: only a ScrollTextBox holding more than it shows has any.
int32_t ScrolledOut(const TextField& field) {
    if (field.Kind != TextFieldKind::ScrollTextBox) return 0;
    return std::max(TextLength(field) - ShownLength(field), 0);
}

// In the font's glyph codes.
std::string ShownText(const TextField& field) {
    if (field.Kind == TextFieldKind::PasswordBox)
        return std::string(static_cast<size_t>(TextLength(field)), '*');
    return Cp437Glyphs(
        std::string_view(field.Text).substr(CharacterOffset(field.Text, ScrolledOut(field))));
}

Rect Box(const TextField& field) {
    return LineBox(field.X, field.Y, field.Length);
}

// The caret may have been left outside the text by a drag off the field, or the host may have
// replaced Text with a shorter one: bring it back before the text is split at it.
void SplitAtCaret(TextField& field) {
    field.CaretPos = std::clamp(field.CaretPos, 0, TextLength(field));
    const size_t caret = CharacterOffset(field.Text, field.CaretPos);
    field.LeftPart = field.Text.substr(0, caret);
    field.RightPart = field.Text.substr(caret);
}

// How many more characters the field takes: a ScrollTextBox takes any number.
int32_t Room(const TextField& field) {
    if (field.Kind == TextFieldKind::ScrollTextBox) return std::numeric_limits<int32_t>::max();
    const int64_t held = int64_t{CharacterCount(field.LeftPart)} + CharacterCount(field.RightPart);
    return static_cast<int32_t>(std::max<int64_t>(ShownLength(field) - held, 0));
}

void Insert(TextField& field, const std::string& character) {
    field.LeftPart += character;
    ++field.CaretPos;
}

// The first line of the pasted text, as far as the field has room, all at once.
void Paste(TextField& field, std::string_view pasted) {
    int32_t room = Room(field);
    ForEachPastedKey(pasted, [&field, &room](const TypedKey& key) {
        if (key.Kind != KeyKind::Printable || room == 0) return false;
        Insert(field, key.Text);
        --room;
        return true;
    });
}

void HandleTypedKey(TextField& field) {
    TypedKey key = ReadTypedKey();
    if (key.Kind == KeyKind::Backspace) {
        RemoveLastCharacter(field.LeftPart);
        --field.CaretPos;
    } else if (key.Kind == KeyKind::Printable) {
        if (Room(field) > 0) Insert(field, key.Text);
    } else if (key.Kind == KeyKind::Paste) {
        Paste(field, key.Text);
    } else if (key.Kind == KeyKind::Enter) {
        field.Focused = 0;
    }
    field.Text = field.LeftPart + field.RightPart;
}

// One step per press: holding an arrow moves the caret once, until both arrows are released.
void HandleArrowKeys(TextField& field) {
    const bool left = KeyHeld(scan_code::LeftArrow);
    const bool right = KeyHeld(scan_code::RightArrow);
    if (!left && !right) field.ArrowLatch = 0;
    if (field.ArrowLatch != 0) return;
    if (left) {
        --field.CaretPos;
        field.ArrowLatch = 1;
    }
    if (right) {
        ++field.CaretPos;
        field.ArrowLatch = 1;
    }
}

void KeepCaretInText(TextField& field) {
    field.CaretPos = std::clamp(field.CaretPos, 0, TextLength(field));
    if (field.Kind == TextFieldKind::ScrollTextBox) {
        field.CaretPos = std::max(field.CaretPos, ScrolledOut(field));
    }
}

void HandleKeys(TextField& field) {
    HandleTypedKey(field);
    HandleArrowKeys(field);
    KeepCaretInText(field);
}

int32_t FloorDiv(int32_t value, int32_t divisor) {
    return value >= 0 ? value / divisor : -((divisor - 1 - value) / divisor);
}

}  // namespace

TextField::TextField(TextFieldKind kind, int32_t x, int32_t y, int32_t length, std::string text)
    : Kind(kind), Text(std::move(text)), X(x), Y(y), Length(length) {}

void PlaceCaret(TextField& field) {
    const PointerState pointer = PollPointer();
    if (field.Hovered != 1 || !LeftButtonAlone(pointer)) return;
    const int32_t offset = pointer.X - field.X - 1;
    // Nearest character boundary, halves to the even one.
    field.CaretPos = static_cast<int32_t>(std::nearbyint(offset / double{GlyphSize}));
    field.CaretPos = std::min(field.CaretPos, TextLength(field));
    if (ScrolledOut(field) > 0) field.CaretPos = ScrolledOut(field) + FloorDiv(offset, GlyphSize);
}

void Update(TextField& field) {
    const InputFrame frame;  // PlaceCaret and the focus see the same pointer
    SplitAtCaret(field);
    PlaceCaret(field);
    if (!field.Hidden) UpdateFocus(ReachingRight(Box(field)), field.Hovered, field.Focused);
    if (field.Focused) HandleKeys(field);
    field.BlinkCounter = static_cast<int8_t>((field.BlinkCounter + 1) % BlinkPeriod);
}

void Draw(const TextField& field) {
    if (field.Hidden) return;
    DrawSunkenBox(nullptr, Box(field));
    DrawText(nullptr, field.X + 3, field.Y + 4, PointAbsolute, ShownText(field), Palette::Ink);
    if (field.Focused && field.BlinkCounter > 0 && field.BlinkCounter < CaretShownBelow) {
        const int32_t caretX = field.X + GlyphSize * (field.CaretPos - ScrolledOut(field)) + 2;
        DrawLine(nullptr, caretX, field.Y + 3, caretX, field.Y + 10, Palette::Ink);
    }
}

void Erase(const TextField& field) {
    if (!field.Hidden) FillBox(nullptr, Box(field), Palette::Ink);
}
