#include "gui/text_entry.h"

#include "base/text_encoding.h"

namespace {

constexpr int32_t BackspaceCode = 8;
constexpr int32_t EnterCode = 13;
constexpr int32_t LastCharacterCode = 0xFF;  // larger codes are keys without a character

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

}  // namespace

void UpdateFocus(Rect hitArea, uint8_t& hovered, uint8_t& focused) {
    const PointerState pointer = PollPointer();
    if (Hits(hitArea, pointer)) {
        hovered = 1;
        if (LeftButtonAlone(pointer)) {
            focused = 1;
            FlushTypedKeys();
        }
    } else {
        if (LeftButtonAlone(pointer)) focused = 0;
        hovered = 0;
    }
}

TypedKey ReadTypedKey() {
    const KeyPress key = ReadKeyPress();
    if (key.character == PasteCharacter) return {KeyKind::Paste, ClipboardText()};
    if (key.code == BackspaceCode) return {KeyKind::Backspace, {}};
    if (key.code == EnterCode) return {KeyKind::Enter, {}};
    if (key.code <= LastCharacterCode && IsPrintable(key.character)) {
        return {KeyKind::Printable, EncodeUtf8(key.character)};
    }
    return {};
}

void ForEachPastedKey(std::string_view text, const std::function<bool(const TypedKey&)>& take) {
    char32_t previous = 0;
    for (size_t at = 0; at < text.size();) {
        const DecodedCharacter d = DecodeCharacter(text, at);
        at += d.length;
        const char32_t c = d.codePoint;
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

void RemoveLastCharacter(std::string& text) {
    text.erase(CharacterOffset(text, CharacterCount(text) - 1));
}
