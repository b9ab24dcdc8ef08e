#include "gui/text_area.h"

#include <algorithm>
#include <string_view>

#include "gui/widget.h"
#include "screen/screen.h"

namespace {

constexpr char LineBreak = 13;
constexpr uint32_t FieldColour = 0x00FFFFFF;
constexpr uint32_t FrameColour = 0x00AAAAAA;
constexpr uint32_t ShadowColour = 0x00666666;
constexpr uint32_t TextColour = 0x00000000;

int32_t Right(const TextArea& area) {
    return area.X + 8 * area.Columns + 6;
}
int32_t Bottom(const TextArea& area) {
    return area.Y + 8 * area.Rows + 6;
}

bool Inside(const TextArea& area, int32_t mx, int32_t my) {
    return area.X < mx && mx < Right(area) && area.Y < my && my < Bottom(area);
}

void Type(TextArea& area, const std::string& key) {
    const int code = key.empty() ? 0 : static_cast<unsigned char>(key[0]);
    if (code == 8) {
        if (!area.Text.empty()) area.Text.pop_back();
    } else if (code >= 32 && code <= 126) {
        if (static_cast<int64_t>(area.LastLine.size()) < area.Columns) area.Text += key;
    } else if (code == LineBreak) {
        if (area.LineCount < area.Rows - 1) area.Text += LineBreak;
    }
}

}  // namespace

TextArea::TextArea(int32_t x, int32_t y, int32_t columns, int32_t rows)
    : X(x), Y(y), Columns(columns), Rows(rows) {}

void Update(TextArea& area) {
    if (area.Hidden) return;
    int32_t mx, my, wheel, buttons, clip;
    GetMouse(&mx, &my, &wheel, &buttons, &clip);
    if (Inside(area, mx, my)) {
        area.Hovered = 1;
        if (buttons == 1) {
            area.Focused = 1;
            // Keys typed before the click are not meant for this area.
            FlushTypedKeys();
        }
    } else {
        if (buttons == 1) area.Focused = 0;
        area.Hovered = 0;
    }
    area.LineCount =
        static_cast<int32_t>(std::count(area.Text.begin(), area.Text.end(), LineBreak));
    if (area.Focused) Type(area, ReadKey());
}

void Draw(TextArea& area) {
    if (area.Hidden) return;
    const float x = area.X, y = area.Y, right = Right(area), bottom = Bottom(area);
    DrawLine(nullptr, x, y, right, bottom, FieldColour, LineShape::FilledBox);
    DrawLine(nullptr, x, y, right, bottom, FrameColour, LineShape::BoxOutline);
    // Shadows inside the top and left edges make the box look sunken.
    DrawLine(nullptr, x + 1, y + 1, right - 1, y + 1, ShadowColour);
    DrawLine(nullptr, x + 1, y + 1, x + 1, bottom - 1, ShadowColour);
    const std::string_view text = area.Text;
    size_t start = 0;
    for (int32_t line = 0; start < text.size(); ++line) {
        const size_t end = std::min(text.find(LineBreak, start), text.size());
        DrawText(nullptr, x + 5, y + 8 * line + 5, PointAbsolute, text.substr(start, end - start),
                 TextColour);
        start = end + 1;
    }
    const size_t lastBreak = text.rfind(LineBreak);
    area.LastLine =
        lastBreak == std::string_view::npos ? area.Text : area.Text.substr(lastBreak + 1);
}

void Erase(const TextArea& area) {
    if (area.Hidden) return;
    DrawLine(nullptr, area.X, area.Y, Right(area), Bottom(area), 0x00000000, LineShape::FilledBox);
}

void Hide(TextArea& area) {
    area.Hidden = 1;
}
void Show(TextArea& area) {
    area.Hidden = 0;
}
