#include "gui/text_area.h"

#include <algorithm>
#include <string_view>

#include "base/text_encoding.h"
#include "gui/text_entry.h"

namespace {

constexpr char LineBreak = 13;

Rect Box(const TextArea& area) {
    return {area.X, area.Y, area.X + GlyphSize * area.Columns + 6,
            area.Y + GlyphSize * area.Rows + 6};
}

// The limits as of the last Draw, carried along while a paste adds more than one key.
struct Layout {
    int32_t LastLineLength;
    int32_t LineCount;
};

void Type(TextArea& area, const TypedKey& key, Layout& layout) {
    if (key.Kind == KeyKind::Backspace) {
        RemoveLastCharacter(area.Text);
    } else if (key.Kind == KeyKind::Printable) {
        if (layout.LastLineLength < area.Columns) {
            area.Text += key.Text;
            ++layout.LastLineLength;
        }
    } else if (key.Kind == KeyKind::Enter) {
        if (layout.LineCount < area.Rows - 1) {
            area.Text += LineBreak;
            ++layout.LineCount;
            layout.LastLineLength = 0;
        }
    } else if (key.Kind == KeyKind::Paste) {
        // Until the area is full: every row used and the last line at its limit.
        ForEachPastedKey(key.Text, [&area, &layout](const TypedKey& pasted) {
            Type(area, pasted, layout);
            return layout.LineCount < area.Rows - 1 || layout.LastLineLength < area.Columns;
        });
    }
}

}  // namespace

TextArea::TextArea(int32_t x, int32_t y, int32_t columns, int32_t rows)
    : X(x), Y(y), Columns(columns), Rows(rows) {}

void Update(TextArea& area) {
    if (area.Hidden) return;
    UpdateFocus(Box(area), area.Hovered, area.Focused, KeysBeforeClick::DrainedToAnExtendedKey);
    area.LineCount =
        static_cast<int32_t>(std::count(area.Text.begin(), area.Text.end(), LineBreak));
    if (!area.Focused) return;
    Layout layout{CharacterCount(area.LastLine), area.LineCount};
    Type(area, ReadTypedKey(), layout);
}

void Draw(TextArea& area) {
    if (area.Hidden) return;
    DrawSunkenBox(nullptr, Box(area));
    const std::string_view text = area.Text;
    size_t start = 0;
    for (int32_t line = 0; start < text.size(); ++line) {
        const size_t end = std::min(text.find(LineBreak, start), text.size());
        DrawText(nullptr, area.X + 5, area.Y + GlyphSize * line + 5, PointAbsolute,
                 Cp437Glyphs(text.substr(start, end - start)), Palette::Ink);
        start = end + 1;
    }
    const size_t lastBreak = text.rfind(LineBreak);
    area.LastLine =
        lastBreak == std::string_view::npos ? area.Text : area.Text.substr(lastBreak + 1);
}

void Erase(const TextArea& area) {
    if (!area.Hidden) FillBox(nullptr, Box(area), Palette::Ink);
}
