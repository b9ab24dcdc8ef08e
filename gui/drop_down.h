// A DropDown: a fold-out choice box. It folds like an ElementList, but its header shows its own
// Text, and clicking a row makes that element's text the new Text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/fold_out.h"

struct DropDown {
    DropDown(int32_t x, int32_t y, std::string_view text, int32_t length);

    // The initial text, later the text of the last chosen element.
    std::string Text;
    int32_t X;
    int32_t Y;
    // The longest text allowed, in characters; also sets the width.
    int32_t Length;
    // Only each element's Text is used; the ID stays empty.
    ListElements Elements;
    int8_t Count = 0;
    uint8_t Open = 0;
};

// The index of the new element, or -1 when the drop-down is full. A text longer than Length
// ends the program.
int8_t NewElement(DropDown& dropDown, std::string_view text);
void Update(DropDown& dropDown);
void Draw(const DropDown& dropDown);
void Erase(const DropDown& dropDown);
