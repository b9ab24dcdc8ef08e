#include "gui/text_entry.h"

#include "base/text_encoding.h"

namespace {

constexpr int32_t LastCharacterCode = 0xFF;  // larger codes are keys without a character

// The control characters that stand for keys.
enum ControlCode : int32_t {
    CtrlA = 1,
    CtrlC = 3,
    Backspace = 8,
    Enter = 13,
    CtrlX = 24,
};

// Characters that show: not the C0 and C1 control characters, nor Delete.
bool IsPrintable(char32_t c) {
    return c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0);
}

// Reads keys, 10 ms apart, up to and including the first that is not a single character (none
// left, or an extended key).
void FlushTypedKeys() {
    for (;;) {
        const std::string key = ReadKey();
        SleepMs(10);
        if (key.size() != 1) return;
    }
}

// The editing keys by their BIOS codes, alone and with Ctrl (which the PC keyboard gives its own
// codes): arrows, Home, End, Delete; Ctrl+Insert copies.
KeyKind EditingKind(int32_t bios, bool shift) {
    switch (bios) {
        case 75:
        case 115:
            return KeyKind::Left;
        case 77:
        case 116:
            return KeyKind::Right;
        case 71:
        case 119:
            return KeyKind::Home;
        case 79:
        case 117:
            return KeyKind::End;
        case 83:
        case 147:
            return shift ? KeyKind::Cut : KeyKind::Delete;
        case 146:
            return KeyKind::Copy;
        default:
            return KeyKind::None;
    }
}

KeyKind ControlKind(int32_t code) {
    switch (code) {
        case Backspace:
            return KeyKind::Backspace;
        case Enter:
            return KeyKind::Enter;
        case CtrlA:
            return KeyKind::SelectAll;
        case CtrlC:
            return KeyKind::Copy;
        case CtrlX:
            return KeyKind::Cut;
        default:
            return KeyKind::None;
    }
}

}  // namespace

void UpdateFocus(Rect hitArea, uint8_t& hovered, uint8_t& focused, KeysBeforeClick before,
                 bool dragging) {
    const PointerState pointer = PollPointer();
    if (Hits(hitArea, pointer)) {
        hovered = 1;
        if (LeftButtonAlone(pointer)) {
            // Keys typed while the entry had the focus already were meant for it.
            if (!focused && before == KeysBeforeClick::Dropped) DropKeysTypedBeforeClick();
            if (!focused && before == KeysBeforeClick::DrainedToAnExtendedKey) FlushTypedKeys();
            focused = 1;
        }
    } else {
        if (LeftButtonAlone(pointer) && !dragging) focused = 0;
        hovered = 0;
    }
}

TypedKey ReadTypedKey() {
    const KeyPress key = ReadKeyPress();
    TypedKey typed{KeyKind::None, {}, key.shift, key.ctrl};
    if (key.code == 0) {
        typed.Kind = KeyKind::NoneWaiting;
    } else if (key.character == PasteCharacter) {
        typed.Kind = KeyKind::Paste;
        typed.Text = ClipboardText();
    } else if (key.code > LastCharacterCode) {
        typed.Kind = EditingKind(key.code >> 8, key.shift);
    } else if (key.code < 0x20) {
        typed.Kind = ControlKind(key.code);
    } else if (IsPrintable(key.character)) {
        typed.Kind = KeyKind::Printable;
        typed.Text = EncodeUtf8(key.character);
    }
    return typed;
}

void ForEachPastedKey(std::string_view text, const std::function<bool(const TypedKey&)>& take) {
    char32_t previous = 0;
    for (size_t at = 0; at < text.size();) {
        const DecodedCharacter d = DecodeCharacter(text, at);
        at += d.length;
        const char32_t c = d.codePoint;
        if (c == 0) return;
        const bool secondHalfOfCrLf = c == U'\n' && previous == U'\r';
        previous = c;
        if (secondHalfOfCrLf) continue;
        if (c == U'\r' || c == U'\n') {
            if (!take({KeyKind::Enter, {}})) return;
        } else if (IsPrintable(c)) {
            if (!take({KeyKind::Printable, EncodeUtf8(c)})) return;
        }
    }
}

std::string PastedLine(std::string_view text) {
    text = text.substr(0, text.find_first_of(std::string_view("\r\n\0", 3)));
    std::string line;
    line.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte < 0x80) {
            if (IsPrintable(byte)) line += static_cast<char>(byte);
            ++at;
            continue;
        }
        const DecodedCharacter d = DecodeCharacter(text, at);
        if (!d.wellFormed) {
            line += EncodeUtf8(d.codePoint);
        } else if (IsPrintable(d.codePoint)) {
            line.append(text.substr(at, d.length));
        }
        at += d.length;
    }
    return line;
}

void RemoveLastCharacter(std::string& text) {
    text.erase(CharacterOffset(text, CharacterCount(text) - 1));
}
