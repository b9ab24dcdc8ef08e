// The keyboard as this layer reports it: PC set-1 scan codes for held keys and PC BIOS key codes
// for typed keys, from desktop keys identified by their USB HID usage (keyboard page).
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace screen_internal {

// Entries of the held-key table, one per PC set-1 scan code.
inline constexpr int32_t ScanCodeCount = 128;
using KeyStateTable = std::array<uint8_t, ScanCodeCount>;

// The USB HID usages (keyboard page) of the keys this layer names; desktop key codes of the
// window system follow them.
namespace hid {
enum Usage : uint32_t {
    A = 0x04,
    Z = 0x1D,
    Digit1 = 0x1E,
    Digit0 = 0x27,
    Return = 0x28,
    Escape = 0x29,
    Backspace = 0x2A,
    Tab = 0x2B,
    Space = 0x2C,
    Minus = 0x2D,
    Equals = 0x2E,
    LeftBracket = 0x2F,
    RightBracket = 0x30,
    Backslash = 0x31,
    Semicolon = 0x33,
    Apostrophe = 0x34,
    Grave = 0x35,
    Comma = 0x36,
    Period = 0x37,
    Slash = 0x38,
    CapsLock = 0x39,
    F1 = 0x3A,
    F9 = 0x42,
    F10 = 0x43,
    F11 = 0x44,
    F12 = 0x45,
    ScrollLock = 0x47,
    Insert = 0x49,
    Home = 0x4A,
    PageUp = 0x4B,
    Delete = 0x4C,
    End = 0x4D,
    PageDown = 0x4E,
    Right = 0x4F,
    Left = 0x50,
    Down = 0x51,
    Up = 0x52,
    NumLock = 0x53,
    KeypadDivide = 0x54,
    KeypadMultiply = 0x55,
    KeypadMinus = 0x56,
    KeypadPlus = 0x57,
    KeypadEnter = 0x58,
    Keypad1 = 0x59,
    Keypad2 = 0x5A,
    Keypad3 = 0x5B,
    Keypad4 = 0x5C,
    Keypad6 = 0x5E,
    Keypad7 = 0x5F,
    Keypad8 = 0x60,
    Keypad9 = 0x61,
    Keypad0 = 0x62,
    KeypadPeriod = 0x63,
    Application = 0x65,
    LeftCtrl = 0xE0,
    LeftShift = 0xE1,
    LeftAlt = 0xE2,
    LeftGui = 0xE3,
    RightCtrl = 0xE4,
    RightShift = 0xE5,
    RightAlt = 0xE6,
    RightGui = 0xE7,
};
}  // namespace hid

// The scan code of the key with this HID usage, or 0 when no scan code is bound to it.
uint8_t ScanCodeOfUsage(uint32_t usage);
// Whether any desktop key is bound to this scan code; the others always read as not held.
bool ScanCodeIsBound(int32_t scanCode);
// Fills `table` from the held state of every HID usage (index = usage, nonzero = held). Either
// Shift key holds both Shift entries.
void FillHeldKeys(std::span<const uint8_t> heldUsages, KeyStateTable& table);

// The key code of a key without a character: its BIOS code in bits 8-15 above this marker.
inline constexpr int32_t ExtendedKeyMarker = 0xFF;
constexpr int32_t ExtendedKeyCode(int32_t biosCode) {
    return (biosCode << 8) | ExtendedKeyMarker;
}

// Modifier flags, independent of which of the two keys is held.
enum KeyModifier : uint32_t { ShiftHeld = 1, CtrlHeld = 2, AltHeld = 4, NumLockOn = 8 };

struct KeyDown {
    uint32_t usage = 0;
    // The key's character in the current layout (lower case for letters), 0 for keys without one.
    char32_t character = 0;
    uint32_t modifiers = 0;
    bool repeat = false;
};

// What a key-down pushes into the key buffer. Keys with a printable character push nothing here:
// their typed text arrives separately.
struct KeyPush {
    enum class Kind { Nothing, Code, ToggleFullScreen };
    Kind kind = Kind::Nothing;
    int32_t code = 0;  // with Kind::Code: a control character or an ExtendedKeyCode
    // Beside the code: a control character's own value; PasteCharacter for Shift+Insert.
    char32_t character = 0;
};
KeyPush TranslateKeyDown(const KeyDown& key);

}  // namespace screen_internal
