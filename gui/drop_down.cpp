#include "gui/drop_down.h"

#include "screen/screen.h"

DropDown::DropDown(int32_t x, int32_t y, std::string_view text, int32_t length)
    : X(x), Y(y), Length(length) {
    if (static_cast<int64_t>(text.size()) > Length) {
        EndWithFatalError("[ERROR] in Constructor DropDown: Length of Text > Defined Lenght");
    }
    Text = text;
}

int8_t NewElement(DropDown& dropDown, std::string_view text) {
    if (dropDown.Count >= MaxListElements) return -1;
    if (static_cast<int64_t>(text.size()) > dropDown.Length) {
        EndWithFatalError(
            "[ERROR] in Function DropDown.NewElement: Length of Text > Defined Lenght");
    }
    dropDown.Elements[dropDown.Count].Text = text;
    return dropDown.Count++;
}

void Draw(const DropDown& dropDown) {
    DrawFoldOut({dropDown.X, dropDown.Y, dropDown.Length}, dropDown.Text, dropDown.Elements,
                dropDown.Count, dropDown.Open);
}

void Update(DropDown& dropDown) {
    UpdateFoldOut({dropDown.X, dropDown.Y, dropDown.Length}, dropDown.Count, dropDown.Open,
                  [&dropDown](int8_t row) { dropDown.Text = dropDown.Elements[row].Text; });
}

void Erase(const DropDown& dropDown) {
    EraseFoldOut({dropDown.X, dropDown.Y, dropDown.Length}, dropDown.Count, dropDown.Open);
}
