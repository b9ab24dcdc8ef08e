#include "viewer/problem_text.h"

#include <algorithm>
#include <vector>

#include "base/text_encoding.h"
#include "screen/screen.h"

namespace {

constexpr uint32_t TextColour = 0xFF000000;
constexpr int32_t Glyph = 8;

// The text cut into lines of `columns` characters, at most `count` of them.
std::vector<std::string> Wrapped(const std::string& text, size_t columns, size_t count) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size() && lines.size() < count; at += columns)
        lines.push_back(text.substr(at, columns));
    return lines;
}

}  // namespace

void DrawScaledText(int64_t x, int64_t y, std::string_view text, uint32_t colour, int32_t scale) {
    if (scale <= 1) {
        DrawText(nullptr, static_cast<float>(x), static_cast<float>(y), PointAbsolute, text,
                 colour);
        return;
    }
    for (const char c : text) {
        const uint8_t* glyph = Font8x8 + static_cast<uint8_t>(c) * Glyph;
        for (int32_t row = 0; row < Glyph; ++row) {
            for (int32_t bit = 0; bit < Glyph; ++bit) {
                if (!(glyph[row] >> bit & 1)) continue;
                const auto left = static_cast<float>(x + int64_t{bit} * scale);
                const auto top = static_cast<float>(y + int64_t{row} * scale);
                DrawLine(nullptr, left, top, left + static_cast<float>(scale - 1),
                         top + static_cast<float>(scale - 1), colour, LineShape::FilledBox);
            }
        }
        x += int64_t{Glyph} * scale;
    }
}

void DrawProblem(const std::string& path, const std::string& problem, Extent window,
                 int32_t scale) {
    const int64_t cell = int64_t{Glyph} * scale;
    const size_t columns = static_cast<size_t>(std::max<int64_t>(1, window.width / cell - 2));
    // One glyph a character, so that a name beyond ASCII is shown, cut and centred as it reads.
    std::vector<std::string> lines = Wrapped(Cp437Glyphs(path), columns, 3);
    lines.push_back("cannot be shown:");
    for (std::string& line : Wrapped(Cp437Glyphs(problem), columns, 6))
        lines.push_back(std::move(line));
    const auto height = static_cast<int64_t>(lines.size()) * 2 * cell;
    int64_t y = (window.height - height) / 2;
    for (const std::string& line : lines) {
        const auto x = (window.width - static_cast<int64_t>(line.size()) * cell) / 2;
        DrawScaledText(x, y, line, TextColour, scale);
        y += 2 * cell;
    }
}
