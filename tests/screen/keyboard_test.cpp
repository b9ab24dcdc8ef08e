// The keyboard tables: desktop keys to PC scan codes, and key-downs to what they push.
#include "screen/keyboard.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace screen_internal;

TEST(Keyboard, ScanCodesFollowThePcLayoutWithSharedEntries) {
    // Letters by their rows; keypad keys and right-hand twins share entries; Print Screen (0x46)
    // and the ISO key beside left Shift (0x64) have none.
    // clang-format off
    const std::pair<uint32_t, uint8_t> cases[] = {
        {hid::A + 'Q' - 'A', 16}, {hid::A, 30}, {hid::A + 'M' - 'A', 50}, {hid::Digit0, 11},
        {hid::Minus, 12}, {hid::KeypadMinus, 12}, {hid::Return, 28}, {hid::KeypadEnter, 28},
        {hid::RightCtrl, 29}, {hid::KeypadDivide, 53}, {hid::RightShift, 54}, {hid::RightAlt, 56},
        {hid::F10, 68}, {hid::F11, 87}, {hid::Keypad7, 71}, {hid::Keypad8, 72},
        {hid::KeypadPeriod, 83}, {hid::Application, 93}, {0x46, 0}, {0x64, 0}, {600, 0}};
    // clang-format on
    for (const auto& [usage, code] : cases) EXPECT_EQ(ScanCodeOfUsage(usage), code) << usage;

    std::vector<int32_t> unbound;
    for (int32_t code = -1; code <= ScanCodeCount; ++code)
        if (!ScanCodeIsBound(code)) unbound.push_back(code);
    std::vector<int32_t> expected = {-1, 0, 74, 76, 84, 85, 86, 89, 90};
    for (int32_t code = 94; code <= ScanCodeCount; ++code) expected.push_back(code);
    EXPECT_EQ(unbound, expected);

    // Either Shift holds both Shift entries.
    std::vector<uint8_t> held(512, 0);
    held[hid::RightShift] = held[hid::Keypad8] = held[0x46] = 1;  // 0x46 is unbound
    KeyStateTable table;
    table.fill(1);
    FillHeldKeys(held, table);
    std::vector<int32_t> set;
    for (int32_t code = 0; code < ScanCodeCount; ++code)
        if (table[code]) set.push_back(code);
    EXPECT_EQ(set, (std::vector<int32_t>{42, 54, 72}));
}

TEST(Keyboard, KeyDownsPushCodesControlCharactersOrNothing) {
    constexpr int32_t Toggle = -1;  // the full-screen switch
    const auto X = ExtendedKeyCode;
    // Usage, character, modifiers, a repeat; the code pushed (0: nothing).
    const std::tuple<uint32_t, char32_t, uint32_t, bool, int32_t> cases[] = {
        // clang-format off
        // Ctrl before Shift; the keypad gives the cursor keys' codes until Num Lock types digits.
        {hid::Up, 0, 0, false, X(72)}, {hid::Up, 0, CtrlHeld | ShiftHeld, false, X(141)},
        {hid::Keypad8, 0, 0, false, X(72)}, {hid::Keypad8, U'8', NumLockOn, false, 0},
        {hid::F1, 0, ShiftHeld, false, X(84)}, {hid::F9, 0, CtrlHeld | ShiftHeld, false, X(102)},
        {hid::F11, 0, ShiftHeld, false, X(135)}, {hid::F12, 0, CtrlHeld, false, X(138)},
        {hid::F10, 0, 0, false, 0}, {hid::Tab, U'\t', ShiftHeld, false, X(15)},
        {hid::Tab, U'\t', 0, false, 9}, {hid::Tab, U'\t', CtrlHeld | ShiftHeld, false, 0},
        {hid::Return, U'\r', 0, true, 13}, {hid::KeypadEnter, 0, 0, false, 13},
        {hid::A + 'Q' - 'A', U'a', CtrlHeld, false, 1},  // the layout's letter
        {hid::Z, U'z', CtrlHeld | ShiftHeld, false, 26}, {hid::A, U'a', 0, false, 0},  // as text
        {hid::Digit1, U'1', CtrlHeld, false, 0}, {hid::A, U'a', AltHeld, false, 0},
        {hid::Up, 0, AltHeld, false, 0}, {hid::Return, U'\r', AltHeld, false, Toggle},
        {hid::KeypadEnter, 0, AltHeld | CtrlHeld, false, Toggle},
        {hid::Return, U'\r', AltHeld, true, 0},
        // clang-format on
    };
    for (const auto& [usage, character, modifiers, repeat, code] : cases) {
        const KeyPush push = TranslateKeyDown({usage, character, modifiers, repeat});
        const KeyPush::Kind kind = code == Toggle ? KeyPush::Kind::ToggleFullScreen
                                   : code         ? KeyPush::Kind::Code
                                                  : KeyPush::Kind::Nothing;
        EXPECT_EQ(push.kind, kind) << usage << " with " << modifiers;
        EXPECT_EQ(push.code, code == Toggle ? 0 : code) << usage << " with " << modifiers;
    }
}
