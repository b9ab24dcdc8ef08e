// What the widget suites share: a headless screen per test, input played as a user would,
// expected frames made of golden pictures, and a user who dismisses a fatal error message.
//
// Golden frames. A test builds the frame it expects on the test background (ExpectedFrame):
//     ExpectedFrame expected;
//     expected.Place(10, 30, "label_status");     // tests/gui/golden/label_status.txt at (10, 30)
//     expected.Fill(20, 30, 65, 47, 0x00000000);  // by hand: an erased box, a caret, a corner
//     EXPECT_TRUE(ShowsFrame(expected));          // against the whole frame the window shows
// Later placements lie over earlier ones. A golden is one widget kind in one state that matters;
// place it in every test that shows that state instead of adding another.
//
// A golden file is text: a line with its width and height; one line per colour, a character and
// the 0xAARRGGBB value in eight hexadecimal digits ('#' black, 'x' shadow, 'o' frame, '=' button
// face, '+' panel, '-' field white; letters for other colours); then one line per pixel row, one
// character per pixel, '.' where the widget paints nothing and what lies below shows.
//
// A mismatch names the first differing pixels and writes the shown and the expected frame, four
// times enlarged, to <build>/tests/gui/frames/<suite>.<test>.{shown,expected}.png.
//
// Regenerating, never done by CI: run the suites with PIXELTOOLS_WRITE_GOLDENS=1, e.g.
//     for suite in build/tests/gui/gui_*_test; do PIXELTOOLS_WRITE_GOLDENS=1 $suite; done
// Every placed golden that no other golden or hand-written pixel overlaps is then taken from the
// frame shown; a changed one is written over its file ("wrote golden ...") and an eight times
// enlarged PNG of it goes to <build>/tests/gui/frames/golden/. Run the suites again without the
// variable: tests that only overlap goldens check them there. To add a golden, create its file
// holding only the size line, place it where nothing else overlaps it, and run so. Before
// committing a written golden, look at its PNG and check it against the widget's drawing rules
// (sizes, palette, frames, shadows, text positions): a golden is only as good as that check.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "screen/screen.h"
#include "screen/window/headless.h"
#include "tests/gui/golden_frames.h"

namespace widget_test {

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

}  // namespace widget_test
