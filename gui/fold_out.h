// The fold-out box that ElementList and DropDown share: a raised header of `Length` characters at
// (X, Y) and, while open, one row below it per element. Neighbouring boxes share their boundary
// line, which belongs to no hit area.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

struct ListElement {
    std::string ID;
    std::string Text;
};

inline constexpr int8_t MaxListElements = 10;
using ListElements = std::array<ListElement, MaxListElements>;

struct FoldOutBox {
    int32_t X;
    int32_t Y;
    int32_t Length;
};

// The box of an ElementList or a DropDown.
template <typename List>
FoldOutBox BoxOf(const List& list) {
    return {list.X, list.Y, list.Length};
}

// The messages that end the program when a text is longer than the defined length; kept letter
// for letter, misspellings included.
namespace TooLong {
inline constexpr std::string_view ElementListCaption =
    "[ERROR] in Constructor ElementList: Length of Text > Defined Lenght";
inline constexpr std::string_view ElementListElement =
    "[ERROR] in Sub ElementList.NewElement: Length of Text > Defined Lenght";
inline constexpr std::string_view DropDownText =
    "[ERROR] in Constructor DropDown: Length of Text > Defined Lenght";
inline constexpr std::string_view DropDownElement =
    "[ERROR] in Function DropDown.NewElement: Length of Text > Defined Lenght";
}  // namespace TooLong

// Ends the program with `message` when `text` is longer than `length` characters.
void RequireFits(std::string_view text, int32_t length, std::string_view message);

// One Update of a fold-out box. On a left click: while open, `rowClicked` runs for each row under
// the pointer; then a click in the header unfolds the box and a click anywhere else folds it,
// erasing the rows first. `count` is read afresh for every row, as `rowClicked` may add elements.
void UpdateFoldOut(FoldOutBox box, const int8_t& count, uint8_t& open,
                   const std::function<void(int8_t row)>& rowClicked);
void DrawFoldOut(FoldOutBox box, std::string_view caption, const ListElements& elements,
                 int8_t count, bool open);
void EraseFoldOut(FoldOutBox box, int8_t count, bool open);
