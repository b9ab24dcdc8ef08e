// A TextArea: a multi-line text field of fixed columns and rows. A left click inside focuses it;
// while focused it takes one key per Update and edits only at the end of its text.
#pragma once

#include <cstdint>
#include <string>

#include "gui/toolkit.h"

struct TextArea {
    TextArea(int32_t x, int32_t y, int32_t columns, int32_t rows);

    int32_t X;
    int32_t Y;
    int32_t Columns;
    int32_t Rows;
    uint8_t Focused = 0;
    uint8_t Hidden = 0;
    // Line breaks in Text, counted at each Update.
    int32_t LineCount = 0;
    // The last line as laid out by the last Draw; Update checks the column limit against it.
    std::string LastLine;
    // Lines are separated by a single CHR(13).
    std::string Text;
    uint8_t Hovered = 0;
};

void Update(TextArea& area);
// Also lays out LastLine.
void Draw(TextArea& area);
void Erase(const TextArea& area);
