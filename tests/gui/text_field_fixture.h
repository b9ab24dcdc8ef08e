// The text field suites' fixture: a field driven through the headless window by clicks, typed
// text and desktop key presses, and the caret's column looked for in the frame.
#pragma once

#include <string_view>
#include <utility>

#include "base/text_encoding.h"
#include "gui/text_field.h"
#include "screen/keyboard.h"
#include "tests/gui/widget_test_support.h"

namespace text_field_test {

using namespace widget_test;
using screen_internal::CtrlHeld;
using screen_internal::ShiftHeld;
namespace hid = screen_internal::hid;

// Column x is black in the caret's 8 rows from `top` and not in the rows just above and below.
inline ::testing::AssertionResult CaretAt(int32_t x, int32_t top) {
    for (int32_t y = top - 1; y <= top + 8; ++y) {
        const bool caret = y >= top && y < top + 8;
        if ((GetPixel(nullptr, x, y) == 0x00000000) != caret)
            return ::testing::AssertionFailure() << "at " << x << ", " << y;
    }
    return ::testing::AssertionSuccess();
}

class TextFieldTest : public WidgetTest {
protected:
    // Rest the pointer on (x, y), press the left button there and let go: one Update each.
    static void ClickAt(TextField& field, int32_t x, int32_t y) {
        UserAt(x, y);
        Update(field);
        UserAt(x, y, 1);
        Update(field);
        UserAt(x, y);
        Update(field);
    }
    static void Focus(TextField& field) { ClickAt(field, field.X + 2, field.Y + 2); }
    // Types `keys` one character per Update: "\b" is Backspace, "\x16" Ctrl+V.
    static void Type(TextField& field, std::string_view keys) {
        for (int32_t i = 0; i < CharacterCount(keys); ++i) {
            const size_t at = CharacterOffset(keys, i);
            UserTypes(keys.substr(at, CharacterOffset(keys, i + 1) - at));
            Update(field);
        }
    }
    // A field the host filled, with the caret and the selection's other end put where given.
    static void Settle(TextField& field, int32_t caret, int32_t selectionStart) {
        Update(field);
        field.CaretPos = caret;
        field.SelectionStart = selectionStart;
    }
    // Runs Updates until the caret is in its visible phase, so that Draw shows it.
    static void UntilCaretShows(TextField& field) {
        while (field.BlinkCounter != 1) Update(field);
    }
    // Plays `keys`, one Update each: "'text'" types its characters; a key is named L, R, H, E, D, B
    // (the arrows, Home, End, Delete, Backspace), Ins or a letter, after "^" for Ctrl and "S-" for
    // Shift; "10L" presses Left ten times before the first of ten Updates.
    static void PlayKeys(TextField& field, std::string_view keys) {
        const std::pair<std::string_view, uint32_t> named[] = {
            {"L", hid::Left},   {"R", hid::Right},     {"H", hid::Home},    {"E", hid::End},
            {"D", hid::Delete}, {"B", hid::Backspace}, {"Ins", hid::Insert}};
        while (!keys.empty()) {
            const size_t end = std::min(
                keys.front() == '\'' ? keys.find('\'', 1) + 1 : keys.find(' '), keys.size());
            std::string_view key = keys.substr(0, end);
            keys.remove_prefix(std::min(end + 1, keys.size()));
            if (key.front() == '\'') {
                Type(field, key.substr(1, key.size() - 2));
                continue;
            }
            const int32_t times = key.starts_with("10") ? 10 : 1;
            if (times == 10) key.remove_prefix(2);
            uint32_t modifiers = 0;
            if (key.starts_with("^")) {
                modifiers |= CtrlHeld;
                key.remove_prefix(1);
            }
            if (key.starts_with("S-")) {
                modifiers |= ShiftHeld;
                key.remove_prefix(2);
            }
            // A letter's key, or a named one.
            uint32_t usage = hid::A + static_cast<uint32_t>(key[0] - 'a');
            char32_t character = static_cast<char32_t>(key[0]);
            for (const auto& [name, namedUsage] : named) {
                if (key == name) {
                    usage = namedUsage;
                    character = 0;
                }
            }
            for (int32_t i = 0; i < times; ++i)
                headless::PressDesktopKey(usage, modifiers, character);
            headless::Sync();
            for (int32_t i = 0; i < times; ++i) Update(field);
        }
    }
};

}  // namespace text_field_test
