// Text in the 8x8 font: transparent strings anywhere, and the program's text output on the grid.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "screen/screen_state.h"

namespace screen_internal {

namespace {

void DrawGlyphTransparent(const Surface& s, const uint8_t* glyph, int32_t x, int32_t y,
                          uint32_t colour) {
    for (int32_t row = 0; row < 8; ++row) {
        const int32_t py = y + row;
        if (py < 0 || py >= s.height) continue;
        const uint8_t bits = glyph[row];
        for (int32_t col = 0; col < 8; ++col) {
            const int32_t px = x + col;
            if ((bits >> col) & 1 && px >= 0 && px < s.width) StorePixel(s, px, py, colour);
        }
    }
}

// One opaque cell of the text grid.
void DrawCell(const Surface& s, int32_t column, int32_t row, uint8_t code, uint32_t foreground,
              uint32_t background) {
    const uint8_t* glyph = Font8x8 + code * 8;
    for (int32_t line = 0; line < 8; ++line) {
        for (int32_t col = 0; col < 8; ++col) {
            const uint32_t colour = (glyph[line] >> col) & 1 ? foreground : background;
            StorePixel(s, column * 8 + col, row * 8 + line, colour);
        }
    }
}

// Moves the text grid up one row and clears the freed bottom row.
void ScrollTextGrid(ScreenState& st, const Surface& s, uint32_t background) {
    const int32_t gridHeight = st.textRows * 8;
    const int32_t gridWidth = st.textColumns * 8;
    for (int32_t y = 0; y + 8 < gridHeight; ++y) {
        std::copy_n(s.pixels + static_cast<int64_t>(y + 8) * s.pitch,
                    static_cast<int64_t>(gridWidth) * s.bytesPerPixel,
                    s.pixels + static_cast<int64_t>(y) * s.pitch);
    }
    for (int32_t y = gridHeight - 8; y < gridHeight; ++y)
        StoreSpan(s, y, 0, gridWidth - 1, background);
}

class TextCursor {
public:
    TextCursor(ScreenState& st, const Surface& s, const DrawContext& ctx)
        : st_(st), s_(s), ctx_(ctx) {}

    void Put(uint8_t code) {
        switch (code) {
            case 7:
                return;  // the echo on standard error carries the bell
            case 8:
                if (st_.cursorColumn > 0) --st_.cursorColumn;
                return;
            case 9:
                st_.cursorColumn = (st_.cursorColumn / 8 + 1) * 8;
                if (st_.cursorColumn >= st_.textColumns) {
                    st_.cursorColumn = 0;
                    NextRow();
                }
                return;
            case 10:
                NextRow();
                return;
            case 13:
                st_.cursorColumn = 0;
                return;
            default:
                Write(code);
        }
    }

    bool scrolled = false;

private:
    void Write(uint8_t code) {
        if (st_.cursorRow >= st_.textRows) {
            ScrollTextGrid(st_, s_, ctx_.background);
            scrolled = true;
            st_.cursorRow = st_.textRows - 1;
        }
        DrawCell(s_, st_.cursorColumn, st_.cursorRow, code, ctx_.foreground, ctx_.background);
        if (++st_.cursorColumn >= st_.textColumns) {
            st_.cursorColumn = 0;
            NextRow();
        }
    }
    // Scrolling waits for the next character, so a final line break never leaves the bottom row
    // empty.
    void NextRow() {
        if (st_.cursorRow >= st_.textRows) {
            ScrollTextGrid(st_, s_, ctx_.background);
            scrolled = true;
            st_.cursorRow = st_.textRows - 1;
        }
        ++st_.cursorRow;
    }

    ScreenState& st_;
    const Surface& s_;
    const DrawContext& ctx_;
};

}  // namespace

}  // namespace screen_internal

using namespace screen_internal;

void DrawText(ImageBuffer* target, float x, float y, uint32_t flags, std::string_view text,
              uint32_t colour, const uint8_t* font, int32_t /*mode*/) {
    if (!ScreenIsOpen()) return;
    colour = ChooseColour(colour, flags);
    ResolvePoint(flags, x, y);
    if (std::isnan(x) || std::isnan(y)) return;
    if (!font) font = Font8x8;
    ScopedScreenLock lock;
    const Surface s = ResolveTarget(target);
    if (!s.pixels || text.empty()) return;
    const int32_t px = ToPixel(x);
    const int32_t py = ToPixel(y);
    if (py + 8 <= 0 || py >= s.height) return;
    bool reached = false;  // whether any glyph's cell is on the target
    for (size_t i = 0; i < text.size(); ++i) {
        const int64_t left = px + static_cast<int64_t>(i) * 8;
        if (left >= s.width) break;
        if (left + 8 <= 0) continue;
        const auto code = static_cast<uint8_t>(text[i]);
        DrawGlyphTransparent(s, font + code * 8, static_cast<int32_t>(left), py, colour);
        reached = true;
    }
    if (s.isScreen && reached) lock.MarkDirty(py, py + 7);
}

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    if (!ScreenIsOpen()) return;
    ScopedScreenLock lock;
    ScreenState* st = Screen();
    if (!st || st->textRows < 1 || st->textColumns < 1) return;
    const Surface s = ScreenSurface();
    const DrawContext& ctx = CurrentContext();
    TextCursor cursor(*st, s, ctx);
    const int32_t firstRow = std::min(st->cursorRow, st->textRows - 1);
    for (char c : text) cursor.Put(static_cast<uint8_t>(c));
    const int32_t lastRow = std::min(st->cursorRow, st->textRows - 1);
    if (cursor.scrolled)
        lock.MarkDirty(0, st->textRows * 8 - 1);
    else
        lock.MarkDirty(firstRow * 8, lastRow * 8 + 7);
}

void PrintLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    Print(line);
}
