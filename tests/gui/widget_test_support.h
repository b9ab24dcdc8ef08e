// What the widget suites share: a headless screen per test, input played as a user would, expected
// frames painted by the toolkit's drawing rules on a plain pixel array (independently of the
// screen layer's code), and a user who dismisses a fatal error message.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "screen/screen.h"
#include "screen/window/headless.h"

namespace widget_test {

inline constexpr int32_t ScreenWidth = 640;
inline constexpr int32_t ScreenHeight = 160;
// Unlike any widget colour, so that every painted pixel shows.
inline constexpr uint32_t Background = 0x00123456;
inline constexpr uint32_t TextForeground = 0x00FFFFFF;

// Opens the screen on construction, so that widgets built as members of a derived fixture find
// it open, and closes it after they are gone.
class WidgetTest : public ::testing::Test {
protected:
    WidgetTest() {
        // A fatal path's child process must start afresh: a forked one would lack the window
        // thread.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        headless::UseHeadlessBackend();
        EXPECT_EQ(OpenScreen(ScreenWidth, ScreenHeight, 32), ScreenResult::Ok);
        headless::SetFocus(true);
        SetColors(TextForeground, Background);
        ClearScreen();
        headless::Sync();
    }
    ~WidgetTest() override { CloseScreen(); }
};

// The pointer at (x, y) with `buttons` held, as the next Update will see it.
inline void UserAt(int32_t x, int32_t y, int32_t buttons = 0) {
    headless::MovePointer(x, y);
    headless::SetButtons(buttons);
    headless::Sync();
}

// Typed keys, waiting in the key buffer for the next Update.
inline void UserTypes(std::string_view text) {
    headless::TypeText(text);
    headless::Sync();
}

// A frame painted by the drawing rules: inclusive corners, clipped to the frame.
class ExpectedFrame {
public:
    ExpectedFrame(int32_t width = ScreenWidth, int32_t height = ScreenHeight,
                  uint32_t fill = Background)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), fill) {}

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    uint32_t At(int32_t x, int32_t y) const { return pixels_[y * width_ + x]; }
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

    void Set(int32_t x, int32_t y, uint32_t colour) {
        if (x >= 0 && x < width_ && y >= 0 && y < height_) pixels_[y * width_ + x] = colour;
    }
    void Fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
        for (int32_t y = y1; y <= y2; ++y)
            for (int32_t x = x1; x <= x2; ++x) Set(x, y, colour);
    }
    void Outline(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
        Line(x1, y1, x2, y1, colour);
        Line(x1, y2, x2, y2, colour);
        Line(x1, y1, x1, y2, colour);
        Line(x2, y1, x2, y2, colour);
    }
    // Horizontal, vertical and 45-degree segments: all the widgets draw.
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour) {
        const int32_t dx = x2 - x1, dy = y2 - y1;
        const int32_t steps = std::max(std::abs(dx), std::abs(dy));
        EXPECT_TRUE(dx == 0 || dy == 0 || std::abs(dx) == std::abs(dy)) << "not a simple line";
        for (int32_t i = 0; i <= steps; ++i) {
            Set(x1 + (steps ? dx * i / steps : 0), y1 + (steps ? dy * i / steps : 0), colour);
        }
    }
    // The built-in font's set bits only, bit 0 the leftmost pixel.
    void Text(int32_t x, int32_t y, std::string_view text, uint32_t colour = 0x00000000) {
        for (size_t i = 0; i < text.size(); ++i) {
            const uint8_t* glyph = &Font8x8[static_cast<uint8_t>(text[i]) * 8];
            for (int32_t row = 0; row < 8; ++row)
                for (int32_t bit = 0; bit < 8; ++bit)
                    if (glyph[row] & (1 << bit))
                        Set(x + 8 * static_cast<int32_t>(i) + bit, y + row, colour);
        }
    }
    // A filled circle of a whole radius at a whole centre by the integer span algorithm.
    void Disc(int32_t cx, int32_t cy, int32_t radius, uint32_t colour) {
        const std::vector<int32_t> half = DiscHalfWidths(radius);
        for (int32_t row = 0; row < static_cast<int32_t>(half.size()); ++row) {
            Fill(cx - half[row], cy + row, cx + half[row], cy + row, colour);
            Fill(cx - half[row], cy - row, cx + half[row], cy - row, colour);
        }
    }
    // A 4-byte image put with alpha 255: every pixel but the mask colour is copied.
    void Put(int32_t x, int32_t y, const ExpectedFrame& image) {
        for (int32_t iy = 0; iy < image.height_; ++iy)
            for (int32_t ix = 0; ix < image.width_; ++ix)
                if ((image.At(ix, iy) & 0x00FFFFFF) != 0x00FF00FF)
                    Set(x + ix, y + iy, image.At(ix, iy));
    }

    // Half-width of each row of a filled circle, from the centre row outwards: the first span
    // drawn on a row is the one that stays.
    static std::vector<int32_t> DiscHalfWidths(int32_t radius) {
        std::vector<int32_t> half{radius};
        const int64_t a2 = int64_t{radius} * radius, b2 = a2;
        int64_t n = radius, e = radius * b2, d = 2 * e, g = 0;
        int32_t row = 0, halfWidth = radius;
        while (n > 0) {
            const bool stepped = e > 0;
            if (stepped) {
                ++row;
                g += 2 * a2;
                e -= g;
            }
            if (e <= 0 || !stepped) {
                --n;
                --halfWidth;
                d -= 2 * b2;
                e += d;
            }
            if (row == static_cast<int32_t>(half.size())) half.push_back(halfWidth);
        }
        return half;
    }

private:
    int32_t width_;
    int32_t height_;
    std::vector<uint32_t> pixels_;
};

// A box framed in grey and shadowed inside: a raised one bottom and right, a sunken one top, left.
inline void PaintPanel(ExpectedFrame& frame, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                       uint32_t fill) {
    frame.Fill(x1, y1, x2, y2, fill);
    frame.Outline(x1, y1, x2, y2, 0x00AAAAAA);
    frame.Line(x1 + 1, y2 - 1, x2 - 1, y2 - 1, 0x00666666);
    frame.Line(x2 - 1, y1 + 1, x2 - 1, y2 - 1, 0x00666666);
}
inline void PaintSunkenBox(ExpectedFrame& frame, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    frame.Fill(x1, y1, x2, y2, 0x00FFFFFF);
    frame.Outline(x1, y1, x2, y2, 0x00AAAAAA);
    frame.Line(x1 + 1, y1 + 1, x2 - 1, y1 + 1, 0x00666666);
    frame.Line(x1 + 1, y1 + 1, x1 + 1, y2 - 1, 0x00666666);
}

// A label's raised grey panel of `length` characters at (x, y) with its text.
inline void PaintLabel(ExpectedFrame& frame, int32_t x, int32_t y, int32_t length,
                       std::string_view text) {
    PaintPanel(frame, x, y, x + 8 * length + 4, y + 12, 0x00DDDDDD);
    frame.Text(x + 3, y + 2, text);
}

// The raised grey face of a text button, painted by its drawing steps.
inline ExpectedFrame TextButtonFace(std::string_view caption) {
    const auto w = static_cast<int32_t>(8 * caption.size());
    ExpectedFrame face(w + 5, 17, 0x00FF0000);
    face.Outline(0, 0, w + 4, 16, 0x00DDDDDD);
    face.Fill(1, 1, w + 3, 15, 0x00CCCCCC);
    face.Fill(0, 1, w + 2, 2, 0x00FFFFFF);
    face.Fill(2, 14, w + 3, 15, 0x00666666);
    face.Fill(w + 2, 2, w + 3, 14, 0x00666666);
    face.Text(3, 5, caption);
    return face;
}
inline void PaintButton(ExpectedFrame& frame, int32_t x, int32_t y, std::string_view caption) {
    frame.Put(x, y, TextButtonFace(caption));
}

// The pointer sprite's black pixels at (x, y): top and bottom bars, gaps in the middle, a stem.
inline void PaintIBeam(ExpectedFrame& frame, int32_t x, int32_t y) {
    for (int32_t column : {0, 1, 3, 4}) {
        frame.Set(x + column, y, 0x00000000);
        frame.Set(x + column, y + 9, 0x00000000);
    }
    frame.Line(x + 2, y + 1, x + 2, y + 8, 0x00000000);
}

// The fold-out box of ElementList and DropDown, `length` characters wide: the raised header
// and, when open, one plain row per text.
inline void PaintFoldOut(ExpectedFrame& frame, int32_t x, int32_t y, int32_t length,
                         std::string_view caption, const std::vector<std::string>& rows) {
    const int32_t right = x + 8 * length + 4;
    PaintPanel(frame, x, y, right, y + 12, 0x00FFFFFF);
    frame.Text(x + 2, y + 2, caption);
    for (size_t i = 0; i < rows.size(); ++i) {
        const int32_t top = y + 12 * static_cast<int32_t>(i + 1);
        frame.Fill(x, top, right, top + 12, 0x00FFFFFF);
        frame.Outline(x, top, right, top + 12, 0x00AAAAAA);
        frame.Text(x + 2, top + 3, rows[i]);
    }
}

// A radio option whose 10 x 10 cell starts at (x, y): grey rim, white face, black dot if checked.
inline void PaintOption(ExpectedFrame& frame, int32_t x, int32_t y, bool checked) {
    frame.Disc(x + 5, y + 5, 5, 0x00666666);
    frame.Disc(x + 5, y + 5, 3, 0x00FFFFFF);
    if (checked) frame.Disc(x + 5, y + 5, 2, 0x00000000);
}

// The sunken box of `columns` by `rows` characters at (x, y) with its lines.
inline void PaintTextArea(ExpectedFrame& frame, int32_t x, int32_t y, int32_t columns, int32_t rows,
                          const std::vector<std::string>& lines) {
    PaintSunkenBox(frame, x, y, x + 8 * columns + 6, y + 8 * rows + 6);
    for (size_t i = 0; i < lines.size(); ++i) {
        frame.Text(x + 5, y + 8 * static_cast<int32_t>(i) + 5, lines[i]);
    }
}

// Compares what the window shows with `expected`, naming the first differing pixels.
inline ::testing::AssertionResult ShowsFrame(const ExpectedFrame& expected) {
    headless::Sync();
    const std::vector<uint32_t> shown = headless::PresentedFrame();
    if (shown.size() != expected.Pixels().size()) {
        return ::testing::AssertionFailure() << "frame has " << shown.size() << " pixels";
    }
    int32_t differing = 0;
    std::string firstOnes;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] == expected.Pixels()[i]) continue;
        if (++differing <= 5) {
            char line[96];
            std::snprintf(line, sizeof line, "\n  (%zu, %zu): shown 0x%08X, expected 0x%08X",
                          i % expected.Width(), i / expected.Width(), shown[i],
                          expected.Pixels()[i]);
            firstOnes += line;
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ:" << firstOnes;
}

// The characters shown in the top text row, read back through the font: what a fatal error
// message left on the screen.
inline std::string TopTextRow() {
    std::string row;
    for (int32_t cell = 0; cell < ScreenWidth / 8; ++cell) {
        char found = '?';
        for (int32_t code = 32; code < 127 && found == '?'; ++code) {
            bool same = true;
            for (int32_t y = 0; y < 8 && same; ++y)
                for (int32_t x = 0; x < 8 && same; ++x) {
                    const bool set = Font8x8[code * 8 + y] & (1 << x);
                    same =
                        GetPixel(nullptr, cell * 8 + x, y) == (set ? TextForeground : Background);
                }
            if (same) found = static_cast<char>(code);
        }
        row += found;
    }
    return row.substr(0, row.find_last_not_of(' ') + 1);
}

// The death-test pattern for standard error of a child that cleared the screen and showed
// `message` as its only text: DismissFatalMessages reports what the screen showed at exit.
inline std::string ShownOnClearedScreen(std::string_view message) {
    std::string pattern = "screen text: ";
    for (char c : message) {
        if (std::string_view("\\.[](){}*+?|^$").find(c) != std::string_view::npos) pattern += '\\';
        pattern += c;
    }
    return pattern + "\nscreen cleared below it\n";
}

inline bool BelowTopTextRowIsClear() {
    for (int32_t y = 8; y < ScreenHeight; ++y)
        for (int32_t x = 0; x < ScreenWidth; ++x)
            if (GetPixel(nullptr, x, y) != Background) return false;
    return true;
}

// Plays the user facing a fatal error message: keeps pressing a key so that the program's waits
// for key presses end, and at exit reports to standard error what the screen showed.
inline void DismissFatalMessages() {
    static std::atomic<bool> stop{false};
    static std::thread typist([] {
        while (!stop) {
            headless::TypeCharacter(' ');
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    std::atexit([] {
        stop = true;
        typist.join();
        std::fprintf(stderr, "screen text: %s\n", TopTextRow().c_str());
        if (BelowTopTextRowIsClear()) std::fprintf(stderr, "screen cleared below it\n");
    });
}

// The sunken white box of `length` characters at (x, y), showing `shown`.
inline void PaintField(ExpectedFrame& frame, int32_t x, int32_t y, int32_t length,
                       std::string_view shown) {
    PaintSunkenBox(frame, x, y, x + 8 * length + 4, y + 12);
    frame.Text(x + 3, y + 4, shown);
}

}  // namespace widget_test
