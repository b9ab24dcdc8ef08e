// An ElementList: a header box with a fixed caption that unfolds into up to ten rows when
// clicked. Clicking a row calls the list's event with that element's ID and folds the list up.
// The DropDown folds and looks the same, so the fold-out box is shared below.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gui/widget.h"

struct ListElement {
    std::string ID;
    std::string Text;
};

inline constexpr int8_t MaxListElements = 10;
using ListElements = std::array<ListElement, MaxListElements>;

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
void Draw(const ElementList& list);
void Update(ElementList& list);
void Erase(const ElementList& list);

// The fold-out box shared with DropDown: a header of `length` characters at (x, y) and, below
// it, one row per element. Neighbouring boxes share their boundary line, which belongs to no
// hit area.
struct FoldOutBox {
    int32_t X;
    int32_t Y;
    int32_t Length;
};

bool InHeader(FoldOutBox box, int32_t mx, int32_t my);
bool InRow(FoldOutBox box, int32_t row, int32_t mx, int32_t my);
void DrawFoldOut(FoldOutBox box, std::string_view caption, const ListElements& elements,
                 int8_t count, bool open);
void EraseFoldOut(FoldOutBox box, int8_t count, bool open);
// One Update of a fold-out box. On a left click (the left button alone): while open,
// `rowClicked` runs for each row under the pointer; then a click in the header unfolds the box
// and a click anywhere else folds it, erasing the rows first. `count` is read afresh for every
// row, as `rowClicked` may add elements.
void UpdateFoldOut(FoldOutBox box, const int8_t& count, uint8_t& open,
                   const std::function<void(int8_t row)>& rowClicked);
