// The single-line text entries: TextBox, ScrollTextBox and PasswordBox share this one record and
// one behaviour, told apart by Kind:
// - TextBox holds at most Length characters and shows them all;
// - ScrollTextBox holds any number and shows the last Length, keeping the caret in that tail;
// - PasswordBox is a TextBox that shows one "*" per character, and gives none of it to the
//   clipboard.
// Each is a sunken box 8 x Length + 5 by 13 pixels from (X, Y). A left click inside focuses the
// field and places the caret at the character under the pointer; a click outside or Enter takes
// the focus away. A focused field takes the keys typed since its last Update, in order (so a
// click that follows them finds them in the text), and edits as desktop fields do: arrows
// (by words with Ctrl), Home, End, Backspace and Delete; Shift with a move, Ctrl+A, a double click
// or a drag with the left button select, shown inverted; typing, removing and pasting replace the
// selection; Ctrl+C and Ctrl+X copy and cut it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

enum class TextFieldKind { TextBox, ScrollTextBox, PasswordBox };

struct TextField {
    // The initial text is kept as given, even when longer than `length`.
    TextField(TextFieldKind kind, int32_t x, int32_t y, int32_t length, std::string text = {});

    TextFieldKind Kind;
    // The host may read and replace it between frames: the caret then goes to its end.
    std::string Text;
    uint8_t Hovered = 0;
    int32_t X;
    int32_t Y;
    uint8_t Hidden = 0;
    uint8_t Focused = 0;
    int32_t Length;  // width in characters; the capacity of TextBox and PasswordBox
    int8_t BlinkCounter = 0;
    int32_t CaretPos = 0;  // characters before the caret
    // The selection's other end: it spans the characters between here and the caret. Equal to
    // CaretPos when nothing is selected.
    int32_t SelectionStart = 0;
    // Optional: what a pasted line becomes before the field takes it (the converter makes a file
    // URI a path).
    std::function<std::string(std::string_view)> PastedText;

    // The pointer's part: a left press on the field that is still held (a drag selects), and the
    // last press's time (Timer) and place, which a second one soon after at the same place
    // makes a double click.
    uint8_t Dragging = 0;
    uint8_t LeftWasDown = 0;
    double LastPressTime = -1;
    int32_t LastPressX = 0;
    // The text as the field last left it, and its characters: another text was put there by the
    // host. Counting megabytes of a pasted line once, not at every look, keeps frames short.
    std::string KnownText;
    int32_t KnownLength = 0;
};

using TextBox = TextField;
using ScrollTextBox = TextField;
using PasswordBox = TextField;

void Update(TextField& field);
void Draw(const TextField& field);
void Erase(const TextField& field);

// --- The edits, for the field's own units ---

struct TypedKey;
// Acts on one typed key, as a focused field does; during Update, when the field knows its text.
void EditWithKey(TextField& field, const TypedKey& key);
// The text's characters, as Update knows them.
int32_t TextLength(const TextField& field);
// Characters scrolled out at the left, as Update knows them: only a ScrollTextBox holding more
// than it shows has any.
int32_t ScrolledOut(const TextField& field);
