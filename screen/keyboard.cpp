#include "screen/keyboard.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "screen/screen.h"

namespace screen_internal {

namespace {

// The highest usage any scan code is bound to (Right GUI), plus one.
constexpr uint32_t UsageCount = hid::RightGui + 1;

struct Binding {
    uint32_t usage;
    uint8_t scanCode;
};

// The desktop keys behind each scan code, after the standard PC layout; several keys share an
// entry.
// clang-format off
constexpr Binding Bindings[] = {
    {hid::Escape, scan_code::Escape}, {hid::Minus, 12}, {hid::Equals, 13}, {hid::Backspace, 14},
    {hid::Tab, 15}, {hid::LeftBracket, 26}, {hid::RightBracket, 27}, {hid::Return, 28},
    {hid::LeftCtrl, 29}, {hid::Semicolon, 39}, {hid::Apostrophe, 40}, {hid::Grave, 41},
    {hid::LeftShift, scan_code::LeftShift}, {hid::Backslash, 43}, {hid::Comma, 51},
    {hid::Period, 52}, {hid::Slash, 53}, {hid::RightShift, scan_code::RightShift},
    {hid::LeftAlt, 56}, {hid::Space, 57}, {hid::CapsLock, 58}, {hid::NumLock, 69},
    {hid::ScrollLock, 70}, {hid::F11, 87}, {hid::F12, 88}, {hid::LeftGui, 91},
    {hid::RightGui, 92}, {hid::Application, 93},
    // The cursor keys, and the keypad keys in their places.
    {hid::Home, 71}, {hid::Up, 72}, {hid::PageUp, 73}, {hid::Left, scan_code::LeftArrow},
    {hid::Right, scan_code::RightArrow}, {hid::End, 79}, {hid::Down, 80}, {hid::PageDown, 81},
    {hid::Insert, 82}, {hid::Delete, 83},
    {hid::Keypad7, 71}, {hid::Keypad8, 72}, {hid::Keypad9, 73},
    {hid::Keypad4, scan_code::LeftArrow}, {hid::Keypad6, scan_code::RightArrow},
    {hid::Keypad1, 79}, {hid::Keypad2, 80}, {hid::Keypad3, 81},
    {hid::Keypad0, 82}, {hid::KeypadPeriod, 83},
    // The other keypad keys.
    {hid::KeypadMinus, 12}, {hid::KeypadDivide, 53}, {hid::KeypadMultiply, 55},
    {hid::KeypadPlus, 78}, {hid::KeypadEnter, 28},
    // The right-hand twins.
    {hid::RightCtrl, 29}, {hid::RightAlt, 56},
};
// clang-format on

// The letter rows as the scan codes number them (usages number letters alphabetically).
constexpr std::pair<std::string_view, uint8_t> LetterRows[] = {
    {"QWERTYUIOP", 16}, {"ASDFGHJKL", 30}, {"ZXCVBNM", 44}};

constexpr std::array<uint8_t, UsageCount> BuildScanCodeTable() {
    std::array<uint8_t, UsageCount> table{};
    for (const auto& [letters, first] : LetterRows) {
        for (size_t i = 0; i < letters.size(); ++i)
            table[hid::A + (letters[i] - 'A')] = static_cast<uint8_t>(first + i);
    }
    for (uint32_t i = 0; i < 9; ++i) table[hid::Digit1 + i] = static_cast<uint8_t>(2 + i);
    table[hid::Digit0] = 11;
    for (uint32_t i = 0; i < 10; ++i) table[hid::F1 + i] = static_cast<uint8_t>(59 + i);
    for (const Binding& b : Bindings) table[b.usage] = b.scanCode;
    return table;
}
constexpr std::array<uint8_t, UsageCount> ScanCodeOf = BuildScanCodeTable();

constexpr std::array<bool, ScanCodeCount> BuildBoundTable() {
    std::array<bool, ScanCodeCount> bound{};
    for (uint8_t code : ScanCodeOf) bound[code] = code != 0;
    return bound;
}
constexpr std::array<bool, ScanCodeCount> Bound = BuildBoundTable();

// The cursor and editing keys: their BIOS code alone and with Ctrl. The keypad key in the same
// place gives the same codes while Num Lock is off (with it on, it types a digit as text).
struct EditingKey {
    uint32_t key;
    uint32_t keypad;
    int32_t plain;
    int32_t ctrl;
};
constexpr EditingKey EditingKeys[] = {
    {hid::Up, hid::Keypad8, 72, 141},     {hid::Down, hid::Keypad2, 80, 145},
    {hid::Left, hid::Keypad4, 75, 115},   {hid::Right, hid::Keypad6, 77, 116},
    {hid::Home, hid::Keypad7, 71, 119},   {hid::End, hid::Keypad1, 79, 117},
    {hid::PageUp, hid::Keypad9, 73, 132}, {hid::PageDown, hid::Keypad3, 81, 118},
    {hid::Insert, hid::Keypad0, 82, 146}, {hid::Delete, hid::KeypadPeriod, 83, 147},
};

// BIOS codes of the function keys: F1 alone, with Shift and with Ctrl (F2-F9 follow in order).
constexpr int32_t F1Plain = 59;
constexpr int32_t F1Shift = 84;
constexpr int32_t F1Ctrl = 94;
constexpr int32_t ShiftTabCode = 15;
constexpr int32_t InsertCode = 82;

// Control characters of the control keys.
enum ControlCharacter : int32_t { Backspace = 8, Tab = 9, Enter = 13, Escape = 27 };

// The BIOS code of a key without a character, Ctrl before Shift before none; 0 for other keys.
int32_t BiosCode(uint32_t usage, uint32_t modifiers) {
    const bool ctrl = modifiers & CtrlHeld;
    const bool shift = modifiers & ShiftHeld;
    const bool numLock = modifiers & NumLockOn;
    for (const EditingKey& k : EditingKeys) {
        if (k.key == usage || (k.keypad == usage && !numLock)) return ctrl ? k.ctrl : k.plain;
    }
    if (usage >= hid::F1 && usage <= hid::F9) {
        const auto n = static_cast<int32_t>(usage - hid::F1);
        return (ctrl ? F1Ctrl : shift ? F1Shift : F1Plain) + n;
    }
    if (usage == hid::F11) return ctrl ? 137 : shift ? 135 : 133;
    if (usage == hid::F12) return ctrl ? 138 : shift ? 136 : 134;
    if (usage == hid::Tab && shift && !ctrl) return ShiftTabCode;
    return 0;
}

// Control keys give their control characters, Ctrl+letter the codes 1-26; 0 for other keys.
int32_t ControlCharacterOf(const KeyDown& key) {
    switch (key.usage) {
        case hid::Backspace:
            return Backspace;
        case hid::Tab:
            return (key.modifiers & ShiftHeld) ? 0 : Tab;
        case hid::Return:
        case hid::KeypadEnter:
            return Enter;
        case hid::Escape:
            return Escape;
        default:
            break;
    }
    if ((key.modifiers & CtrlHeld) && key.character >= U'a' && key.character <= U'z')
        return static_cast<int32_t>(key.character - U'a') + 1;
    return 0;
}

}  // namespace

uint8_t ScanCodeOfUsage(uint32_t usage) {
    return usage < UsageCount ? ScanCodeOf[usage] : 0;
}

bool ScanCodeIsBound(int32_t scanCode) {
    return scanCode >= 0 && scanCode < ScanCodeCount && Bound[scanCode];
}

void FillHeldKeys(std::span<const uint8_t> heldUsages, KeyStateTable& table) {
    table.fill(0);
    const size_t count = std::min<size_t>(heldUsages.size(), UsageCount);
    for (size_t usage = 0; usage < count; ++usage) {
        if (heldUsages[usage] && ScanCodeOf[usage]) table[ScanCodeOf[usage]] = 1;
    }
    if (table[scan_code::LeftShift] || table[scan_code::RightShift])
        table[scan_code::LeftShift] = table[scan_code::RightShift] = 1;
}

KeyPush TranslateKeyDown(const KeyDown& key) {
    if (key.modifiers & AltHeld) {
        // Alt combinations push nothing; Alt+Enter switches full screen, once per press.
        const bool enter = key.usage == hid::Return || key.usage == hid::KeypadEnter;
        if (enter && !key.repeat) return {KeyPush::Kind::ToggleFullScreen};
        return {};
    }
    if (key.usage == hid::F10) return {};
    if (const int32_t bios = BiosCode(key.usage, key.modifiers)) {
        // Shift+Insert keeps Insert's code, as the PC keyboard gives it, and asks for a paste.
        const bool paste = bios == InsertCode && (key.modifiers & ShiftHeld);
        return {KeyPush::Kind::Code, ExtendedKeyCode(bios), paste ? PasteCharacter : 0};
    }
    if (const int32_t control = ControlCharacterOf(key))
        return {KeyPush::Kind::Code, control, static_cast<char32_t>(control)};
    return {};
}

}  // namespace screen_internal
