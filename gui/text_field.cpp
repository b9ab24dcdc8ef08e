#include "gui/text_field.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "gui/widget.h"
#include "screen/screen.h"

namespace {

constexpr uint32_t FieldBackground = 0x00FFFFFF;
constexpr uint32_t Frame = 0x00AAAAAA;
constexpr uint32_t Shadow = 0x00666666;
constexpr uint32_t Black = 0x00000000;
constexpr int32_t BackspaceKey = 8;
constexpr int32_t EnterKey = 13;
constexpr int32_t LeftArrowScanCode = 75;
constexpr int32_t RightArrowScanCode = 77;
constexpr int8_t BlinkPeriod = 80;
constexpr int8_t CaretShownBelow = 40;

int32_t TextLength(const TextField& field) {
    return static_cast<int32_t>(field.Text.size());
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

std::string ShownText(const TextField& field) {
    if (field.Kind == TextFieldKind::PasswordBox) return std::string(field.Text.size(), '*');
    return field.Text.substr(static_cast<size_t>(ScrolledOut(field)));
}

int32_t RightEdge(const TextField& field) {
    return field.X + 8 * field.Length + 4;
}

struct MouseState {
    int32_t X = 0;
    int32_t Y = 0;
    int32_t Buttons = 0;
};

MouseState PollMouse() {
    MouseState mouse;
    int32_t wheel = 0;
    int32_t clip = 0;
    GetMouse(&mouse.X, &mouse.Y, &wheel, &mouse.Buttons, &clip);
    return mouse;
}

// The caret may have been left outside the text by a drag off the field, or the host may have
// replaced Text with a shorter one: bring it back before the text is split at it.
void SplitAtCaret(TextField& field) {
    field.CaretPos = std::clamp(field.CaretPos, 0, TextLength(field));
    const auto caret = static_cast<size_t>(field.CaretPos);
    field.LeftPart = field.Text.substr(0, caret);
    field.RightPart = field.Text.substr(caret);
}

void HandleMouse(TextField& field) {
    const MouseState mouse = PollMouse();
    const bool inside = field.X < mouse.X && mouse.X < field.X + 8 * field.Length + 6 &&
                        field.Y < mouse.Y && mouse.Y < field.Y + 12;
    if (inside) {
        field.Hovered = 1;
        if (mouse.Buttons == 1) {
            field.Focused = 1;
            FlushTypedKeys();
        }
    } else {
        if (mouse.Buttons == 1) field.Focused = 0;
        field.Hovered = 0;
    }
}

bool HasRoomFor(const TextField& field) {
    if (field.Kind == TextFieldKind::ScrollTextBox) return true;
    return field.LeftPart.size() + field.RightPart.size() < static_cast<size_t>(ShownLength(field));
}

void HandleTypedKey(TextField& field) {
    const std::string key = ReadKey();
    const int32_t code = key.empty() ? 0 : static_cast<uint8_t>(key[0]);
    if (code == BackspaceKey) {
        if (!field.LeftPart.empty()) field.LeftPart.pop_back();
        --field.CaretPos;
    } else if (code >= 32 && code <= 126) {
        if (HasRoomFor(field)) {
            field.LeftPart += key;
            ++field.CaretPos;
        }
    } else if (code == EnterKey) {
        field.Focused = 0;
    }
    field.Text = field.LeftPart + field.RightPart;
}

// One step per press: holding an arrow moves the caret once, until both arrows are released.
void HandleArrowKeys(TextField& field) {
    const bool left = IsKeyDown(LeftArrowScanCode) != 0;
    const bool right = IsKeyDown(RightArrowScanCode) != 0;
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

int32_t FloorDiv8(int32_t value) {
    return value >= 0 ? value / 8 : -((7 - value) / 8);
}

}  // namespace

TextField::TextField(TextFieldKind kind, int32_t x, int32_t y, int32_t length, std::string text)
    : Kind(kind), Text(std::move(text)), X(x), Y(y), Length(length) {}

void Draw(const TextField& field) {
    if (field.Hidden) return;
    const int32_t right = RightEdge(field);
    DrawLine(nullptr, field.X, field.Y, right, field.Y + 12, FieldBackground, LineShape::FilledBox);
    DrawLine(nullptr, field.X, field.Y, right, field.Y + 12, Frame, LineShape::BoxOutline);
    DrawLine(nullptr, field.X + 1, field.Y + 1, right - 1, field.Y + 1, Shadow);
    DrawLine(nullptr, field.X + 1, field.Y + 1, field.X + 1, field.Y + 11, Shadow);
    DrawText(nullptr, field.X + 3, field.Y + 4, PointAbsolute, ShownText(field), Black);
    if (field.Focused && field.BlinkCounter > 0 && field.BlinkCounter < CaretShownBelow) {
        const int32_t caretX = field.X + 8 * (field.CaretPos - ScrolledOut(field)) + 2;
        DrawLine(nullptr, caretX, field.Y + 3, caretX, field.Y + 10, Black);
    }
}

void PlaceCaret(TextField& field) {
    const MouseState mouse = PollMouse();
    if (field.Hovered != 1 || mouse.Buttons != 1) return;
    const int32_t offset = mouse.X - field.X - 1;
    // Nearest character boundary, halves to the even one.
    field.CaretPos = static_cast<int32_t>(std::nearbyint(offset / 8.0));
    field.CaretPos = std::min(field.CaretPos, TextLength(field));
    if (ScrolledOut(field) > 0) field.CaretPos = ScrolledOut(field) + FloorDiv8(offset);
}

void Update(TextField& field) {
    SplitAtCaret(field);
    PlaceCaret(field);
    if (!field.Hidden) HandleMouse(field);
    if (field.Focused) HandleKeys(field);
    field.BlinkCounter = static_cast<int8_t>((field.BlinkCounter + 1) % BlinkPeriod);
}

void Erase(const TextField& field) {
    if (field.Hidden) return;
    DrawLine(nullptr, field.X, field.Y, RightEdge(field), field.Y + 12, Black,
             LineShape::FilledBox);
}

void Hide(TextField& field) {
    field.Hidden = 1;
}
void Show(TextField& field) {
    field.Hidden = 0;
}
