#include "gui/text_area.h"

#include <algorithm>
#include <string_view>

#include "gui/text_entry.h"

namespace {

constexpr char LineBreak = 13;

Rect Box(const TextArea& area) {
    return {area.X, area.Y, area.X + GlyphSize * area.Columns + 6,
            area.Y + GlyphSize * area.Rows + 6};
}

void Type(TextArea& area, const TypedKey& key) {
    if (key.Kind == KeyKind::Backspace) {
        RemoveLastCharacter(area.Text);
    } else if (key.Kind == KeyKind::Printable) {
        if (static_cast<int64_t>(area.LastLine.size()) < area.Columns) area.Text += key.Text;
    } else if (key.Kind == KeyKind::Enter) {
        if (area.LineCount < area.Rows - 1) area.Text += LineBreak;
    }
}

}  // namespace

TextArea::TextArea(int32_t x, int32_t y, int32_t columns, int32_t rows)
    : X(x), Y(y), Columns(columns), Rows(rows) {}

void Update(TextArea& area) {
    if (area.Hidden) return;
    UpdateFocus(Box(area), area.Hovered, area.Focused);
    area.LineCount =
        static_cast<int32_t>(std::count(area.Text.begin(), area.Text.end(), LineBreak));
    if (area.Focused) Type(area, ReadTypedKey());
}

void Draw(TextArea& area) {
    if (area.Hidden) return;
    DrawSunkenBox(nullptr, Box(area));
    const std::string_view text = area.Text;
    size_t start = 0;
    for (int32_t line = 0; start < text.size(); ++line) {
        const size_t end = std::min(text.find(LineBreak, start), text.size());
        DrawText(nullptr, area.X + 5, area.Y + GlyphSize * line + 5, PointAbsolute,
                 text.substr(start, end - start), Palette::Ink);
        start = end + 1;
    }
    const size_t lastBreak = text.rfind(LineBreak);
    area.LastLine =
        lastBreak == std::string_view::npos ? area.Text : area.Text.substr(lastBreak + 1);
}

void Erase(const TextArea& area) {
    if (!area.Hidden) FillBox(nullptr, Box(area), Palette::Ink);
}
