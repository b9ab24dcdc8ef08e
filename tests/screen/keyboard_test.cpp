// The keyboard tables: desktop keys to PC scan codes, and key-downs to what they push.
#include "screen/keyboard.h"

#include <gtest/gtest.h>

#include <vector>

using namespace screen_internal;

TEST(Keyboard, ScanCodesFollowThePcLayoutWithSharedEntries) {
    struct Case {
        uint32_t usage;
        uint8_t scanCode;
    };
    // Print Screen (0x46) and the ISO key beside left Shift (0x64) have no entry.
    // clang-format off
    const Case cases[] = {
        {hid::Escape, 1}, {hid::Digit1, 2}, {hid::Digit0, 11}, {hid::Minus, 12},
        {hid::KeypadMinus, 12}, {hid::Backspace, 14}, {hid::A + 'Q' - 'A', 16}, {hid::A, 30},
        {hid::Z, 44}, {hid::A + 'M' - 'A', 50}, {hid::Return, 28}, {hid::KeypadEnter, 28},
        {hid::LeftCtrl, 29}, {hid::RightCtrl, 29}, {hid::LeftShift, 42}, {hid::RightShift, 54},
        {hid::Slash, 53}, {hid::KeypadDivide, 53}, {hid::KeypadMultiply, 55}, {hid::LeftAlt, 56},
        {hid::RightAlt, 56}, {hid::Space, 57}, {hid::F1, 59}, {hid::F10, 68}, {hid::F11, 87},
        {hid::F12, 88}, {hid::Home, 71}, {hid::Keypad7, 71}, {hid::Up, 72}, {hid::Keypad8, 72},
        {hid::KeypadPlus, 78}, {hid::Delete, 83}, {hid::KeypadPeriod, 83}, {hid::LeftGui, 91},
        {hid::RightGui, 92}, {hid::Application, 93}, {0x46, 0}, {0x64, 0}, {600, 0}};
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(ScanCodeOfUsage(c.usage), c.scanCode) << c.usage;

    std::vector<int32_t> unbound;
    for (int32_t code = -1; code <= ScanCodeCount; ++code)
        if (!ScanCodeIsBound(code)) unbound.push_back(code);
    std::vector<int32_t> expected = {-1, 0, 74, 76, 84, 85, 86, 89, 90};
    for (int32_t code = 94; code <= ScanCodeCount; ++code) expected.push_back(code);
    EXPECT_EQ(unbound, expected);
}

TEST(Keyboard, EitherShiftHoldsBothShiftEntries) {
    std::vector<uint8_t> held(512, 0);
    held[hid::RightShift] = 1;
    held[hid::Keypad8] = 1;
    held[0x46] = 1;  // unbound: no entry
    KeyStateTable table;
    table.fill(1);
    FillHeldKeys(held, table);
    std::vector<int32_t> set;
    for (int32_t code = 0; code < ScanCodeCount; ++code)
        if (table[code]) set.push_back(code);
    EXPECT_EQ(set, (std::vector<int32_t>{42, 54, 72}));
}

TEST(Keyboard, KeyDownsPushCodesControlCharactersOrNothing) {
    using Kind = KeyPush::Kind;
    struct Case {
        uint32_t usage;
        char32_t character;
        uint32_t modifiers;
        bool repeat;
        Kind kind;
        int32_t code;
    };
    const Case cases[] = {
        {hid::Up, 0, 0, false, Kind::Code, ExtendedKeyCode(72)},
        {hid::Up, 0, CtrlHeld | ShiftHeld, false, Kind::Code, ExtendedKeyCode(141)},
        {hid::Up, 0, ShiftHeld, true, Kind::Code, ExtendedKeyCode(72)},
        {hid::Keypad8, 0, 0, false, Kind::Code, ExtendedKeyCode(72)},
        {hid::Keypad8, U'8', NumLockOn, false, Kind::Nothing, 0},  // the digit comes as text
        {hid::Delete, 0, CtrlHeld, false, Kind::Code, ExtendedKeyCode(147)},
        {hid::F1, 0, 0, false, Kind::Code, ExtendedKeyCode(59)},
        {hid::F1, 0, ShiftHeld, false, Kind::Code, ExtendedKeyCode(84)},
        {hid::F9, 0, CtrlHeld | ShiftHeld, false, Kind::Code, ExtendedKeyCode(102)},
        {hid::F11, 0, 0, false, Kind::Code, ExtendedKeyCode(133)},
        {hid::F11, 0, ShiftHeld, false, Kind::Code, ExtendedKeyCode(135)},
        {hid::F12, 0, CtrlHeld, false, Kind::Code, ExtendedKeyCode(138)},
        {hid::F10, 0, 0, false, Kind::Nothing, 0},
        {hid::Tab, U'\t', 0, false, Kind::Code, 9},
        {hid::Tab, U'\t', ShiftHeld, false, Kind::Code, ExtendedKeyCode(15)},
        {hid::Tab, U'\t', ShiftHeld | CtrlHeld, false, Kind::Nothing, 0},
        {hid::Backspace, U'\b', CtrlHeld, false, Kind::Code, 8},
        {hid::Return, U'\r', 0, true, Kind::Code, 13},
        {hid::KeypadEnter, 0, 0, false, Kind::Code, 13},
        {hid::Escape, 27, 0, false, Kind::Code, 27},
        {hid::A + 'B' - 'A', U'b', CtrlHeld, false, Kind::Code, 2},
        {hid::A + 'Q' - 'A', U'a', CtrlHeld, false, Kind::Code, 1},  // the layout's letter
        {hid::Z, U'z', CtrlHeld | ShiftHeld, false, Kind::Code, 26},
        {hid::A, U'a', 0, false, Kind::Nothing, 0},  // typed as text
        {hid::Digit1, U'1', CtrlHeld, false, Kind::Nothing, 0},
        {hid::A, U'a', AltHeld, false, Kind::Nothing, 0},
        {hid::Up, 0, AltHeld, false, Kind::Nothing, 0},
        {hid::Return, U'\r', AltHeld, false, Kind::ToggleFullScreen, 0},
        {hid::KeypadEnter, 0, AltHeld | CtrlHeld, false, Kind::ToggleFullScreen, 0},
        {hid::Return, U'\r', AltHeld, true, Kind::Nothing, 0},
    };
    for (const Case& c : cases) {
        const KeyPush push = TranslateKeyDown({c.usage, c.character, c.modifiers, c.repeat});
        EXPECT_EQ(push.kind, c.kind) << c.usage << " with " << c.modifiers;
        EXPECT_EQ(push.code, c.code) << c.usage << " with " << c.modifiers;
    }
}
