// What the text field and the text area share: the keyboard focus taken and lost by the pointer,
// and the typed keys read one at a time and sorted into the kinds the editors act on. Typed keys
// become text, and Backspace takes text away, only here. Text is UTF-8 and is edited by whole
// characters.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

// What a click that gives an entry the focus does with the keys typed before it, which were not
// meant for this entry.
enum class KeysBeforeClick {
    // Read and dropped up to and including the first that is not a character: a text area's.
    DrainedToAnExtendedKey,
    // Exactly the keys typed before the click go, however late the entry sees it: a text field's.
    Dropped,
};

// Sets `hovered` while the pointer is inside `hitArea`. A left click inside takes the focus (the
// keys typed before it go as `before` says); a left click anywhere else in the window gives the
// focus up, unless it is the entry's own drag (`dragging`) gone outside.
void UpdateFocus(Rect hitArea, uint8_t& hovered, uint8_t& focused, KeysBeforeClick before,
                 bool dragging = false);

enum class KeyKind {
    NoneWaiting,
    None,       // a key no editor acts on
    Backspace,  // removes the character before the caret, or the last one
    Printable,  // Text is the character to insert
    Enter,
    Paste,  // Ctrl+V or Shift+Insert: Text is what the clipboard holds
    // The editing keys of a line: the caret's moves, and what acts on the selection.
    Left,
    Right,
    Home,
    End,
    Delete,
    SelectAll,  // Ctrl+A
    Copy,       // Ctrl+C, Ctrl+Insert
    Cut,        // Ctrl+X, Shift+Delete
};

struct TypedKey {
    KeyKind Kind = KeyKind::NoneWaiting;
    std::string Text;
    bool Shift = false;  // a move extends the selection
    bool Ctrl = false;   // a move or a removal goes by words
};

// Takes at most one key from the key buffer: NoneWaiting when it is empty.
TypedKey ReadTypedKey();
// Hands pasted text to `take` as the keys it stands for, until `take` returns false or a NUL
// ends the text: each printable character, each line break ("\r\n", "\n" or "\r") as Enter;
// other control characters are dropped.
void ForEachPastedKey(std::string_view text, const std::function<bool(const TypedKey&)>& take);
// What a line takes of pasted text: its first line (up to a line break or a NUL), without
// control characters, each malformed part of its UTF-8 made U+FFFD. In one pass, however long.
std::string PastedLine(std::string_view text);
// Backspace's edit: the last character of `text` goes, if it has one.
void RemoveLastCharacter(std::string& text);
