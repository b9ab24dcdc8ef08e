// The single-line text entries: TextBox, ScrollTextBox and PasswordBox share this one record and
// one behaviour, told apart by Kind:
// - TextBox holds at most Length characters and shows them all;
// - ScrollTextBox holds any number and shows the last Length, keeping the caret in that tail;
// - PasswordBox is a TextBox that shows one "*" per character.
// Each is a sunken box 8 x Length + 5 by 13 pixels from (X, Y). A left click inside focuses the
// field and places the caret; a click outside or Enter takes the focus away. A focused field takes
// one key per Update.
#pragma once

#include <cstdint>
#include <string>

#include "gui/toolkit.h"

enum class TextFieldKind { TextBox, ScrollTextBox, PasswordBox };

struct TextField {
    // The initial text is kept as given, even when longer than `length`.
    TextField(TextFieldKind kind, int32_t x, int32_t y, int32_t length, std::string text = {});

    TextFieldKind Kind;
    std::string Text;  // the host may read and replace it between frames
    uint8_t Hovered = 0;
    int32_t X;
    int32_t Y;
    uint8_t Hidden = 0;
    uint8_t Focused = 0;
    int32_t Length;  // width in characters; the capacity of TextBox and PasswordBox
    int8_t BlinkCounter = 0;
    // An arrow step happened and the arrow keys have not both been released since.
    uint8_t ArrowLatch = 0;
    int32_t CaretPos = 0;  // characters before the caret
    // The text before and from the caret, rebuilt by every Update.
    std::string LeftPart;
    std::string RightPart;
};

using TextBox = TextField;
using ScrollTextBox = TextField;
using PasswordBox = TextField;

void Update(TextField& field);
// Moves the caret to a left click on the field (one that was hovered at the previous Update).
void PlaceCaret(TextField& field);
void Draw(const TextField& field);
void Erase(const TextField& field);
