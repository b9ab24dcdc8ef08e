#include "gui/text_entry.h"

#include <utility>

namespace {

constexpr uint8_t BackspaceCode = 8;
constexpr uint8_t EnterCode = 13;
// Characters both the font's code page and the program's texts show alike.
constexpr uint8_t FirstPrintable = 32;
constexpr uint8_t LastPrintable = 126;

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
    std::string key = ReadKey();
    const uint8_t code = key.empty() ? 0 : static_cast<uint8_t>(key[0]);
    if (code == BackspaceCode) return {KeyKind::Backspace, {}};
    if (code == EnterCode) return {KeyKind::Enter, {}};
    if (code >= FirstPrintable && code <= LastPrintable) {
        return {KeyKind::Printable, std::move(key)};
    }
    return {};
}

void RemoveLastCharacter(std::string& text) {
    if (!text.empty()) text.pop_back();
}
