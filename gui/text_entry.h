// What the text field and the text area share: the keyboard focus taken and lost by the pointer,
// and the typed keys read one at a time and sorted into the few kinds the editors act on. Typed
// keys become text, and Backspace takes text away, only here. Text is UTF-8 and is edited by
// whole characters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

// Sets `hovered` while the pointer is inside `hitArea`. A left click inside takes the focus and
// drops the keys typed before it, which were not meant for this entry; a left click anywhere else
// in the window gives the focus up.
void UpdateFocus(Rect hitArea, uint8_t& hovered, uint8_t& focused);

enum class KeyKind {
    None,       // no key waiting, an extended key, or another control character
    Backspace,  // removes the character before the caret, or the last one
    Printable,  // Text is the character to insert
    Enter,
    Paste,  // Ctrl+V or Shift+Insert: Text is what the clipboard holds
};

struct TypedKey {
    KeyKind Kind = KeyKind::None;
    std::string Text;
};

// Takes at most one key from the key buffer.
TypedKey ReadTypedKey();
// Hands pasted text to `take` as the keys it stands for, until `take` returns false: each
// printable character, each line break ("\r\n", "\n" or "\r") as Enter; other control
// characters are dropped.
void ForEachPastedKey(std::string_view text, const std::function<bool(const TypedKey&)>& take);
// Backspace's edit: the last character of `text` goes, if it has one.
void RemoveLastCharacter(std::string& text);
