#include "gui/label.h"

#include "base/text_encoding.h"

namespace {

// The panel keeps the width of the text given at construction.
Rect Panel(const Label& label) {
    return LineBox(label.X, label.Y, label.Length);
}

}  // namespace

Label::Label(int32_t x, int32_t y, std::string_view text)
    : X(x), Y(y), Length(CharacterCount(text)), Text(text) {}

void Draw(const Label& label) {
    if (label.Hidden) return;
    DrawPanel(nullptr, Panel(label), Palette::Panel);
    DrawText(nullptr, label.X + 3, label.Y + 2, PointAbsolute, Cp437Glyphs(label.Text),
             Palette::Ink);
}

void Erase(const Label& label) {
    if (!label.Hidden) FillBox(nullptr, Panel(label), Palette::Ink);
}
