#include "gui/label.h"

#include "screen/screen.h"

namespace {

constexpr uint32_t PanelColour = 0x00DDDDDD;
constexpr uint32_t FrameColour = 0x00AAAAAA;
constexpr uint32_t ShadowColour = 0x00666666;
constexpr uint32_t TextColour = 0x00000000;

int32_t PanelRight(const Label& label) {
    return label.X + 8 * label.Length + 4;
}

}  // namespace

Label::Label(int32_t x, int32_t y, std::string_view text)
    : X(x), Y(y), Length(static_cast<int32_t>(text.size())), Text(text) {}

void Draw(const Label& label) {
    if (label.Hidden) return;
    const float x = label.X, y = label.Y, right = PanelRight(label);
    DrawLine(nullptr, x, y, right, y + 12, PanelColour, LineShape::FilledBox);
    DrawLine(nullptr, x, y, right, y + 12, FrameColour, LineShape::BoxOutline);
    // Shadows at the bottom and right make the panel look raised.
    DrawLine(nullptr, x + 1, y + 11, right - 1, y + 11, ShadowColour);
    DrawLine(nullptr, right - 1, y + 1, right - 1, y + 11, ShadowColour);
    DrawText(nullptr, x + 3, y + 2, PointAbsolute, label.Text, TextColour);
}

void Erase(const Label& label) {
    if (label.Hidden) return;
    DrawLine(nullptr, label.X, label.Y, PanelRight(label), label.Y + 12, 0x00000000,
             LineShape::FilledBox);
}

void Hide(Label& label) {
    label.Hidden = 1;
}
void Show(Label& label) {
    label.Hidden = 0;
}
