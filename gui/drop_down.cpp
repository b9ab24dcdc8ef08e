#include "gui/drop_down.h"

DropDown::DropDown(int32_t x, int32_t y, std::string_view text, int32_t length)
    : X(x), Y(y), Length(length) {
    RequireFits(text, Length, TooLong::DropDownText);
    Text = text;
}

int8_t NewElement(DropDown& dropDown, std::string_view text) {
    if (dropDown.Count >= MaxListElements) return -1;
    RequireFits(text, dropDown.Length, TooLong::DropDownElement);
    dropDown.Elements[dropDown.Count].Text = text;
    return dropDown.Count++;
}

void Update(DropDown& dropDown) {
    UpdateFoldOut(BoxOf(dropDown), dropDown.Count, dropDown.Open,
                  [&dropDown](int8_t row) { dropDown.Text = dropDown.Elements[row].Text; });
}

void Draw(const DropDown& dropDown) {
    DrawFoldOut(BoxOf(dropDown), dropDown.Text, dropDown.Elements, dropDown.Count, dropDown.Open);
}

void Erase(const DropDown& dropDown) {
    EraseFoldOut(BoxOf(dropDown), dropDown.Count, dropDown.Open);
}
