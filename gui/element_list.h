// An ElementList: a header box with a fixed caption that unfolds into up to ten rows when
// clicked. Clicking a row calls the list's event with that element's ID and folds the list up.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/fold_out.h"

struct ElementList {
    ElementList(int32_t x, int32_t y, std::string_view text, int32_t length, WidgetEvent event);

    int32_t X;
    int32_t Y;
    std::string Text;
    // The longest text allowed, in characters; also sets the width.
    int32_t Length;
    ListElements Elements;
    int8_t Count = 0;
    uint8_t Open = 0;
    WidgetEvent Event;
};

// The index of the new element, or -1 when the list is full. A text longer than Length ends
// the program.
int8_t NewElement(ElementList& list, std::string_view text, std::string_view id);
void Update(ElementList& list);
void Draw(const ElementList& list);
void Erase(const ElementList& list);
