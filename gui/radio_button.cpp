#include "gui/radio_button.h"

#include <new>

namespace {

constexpr int32_t CellSize = 10;
// Kept letter for letter.
constexpr std::string_view NoOptionStorage =
    "[ERROR] Zero pointer exception in: Constructor RadioButton()";

Rect Cell(const RadioOption& option) {
    return {option.X, option.Y, option.X + CellSize, option.Y + CellSize};
}

}  // namespace

RadioButton::RadioButton(std::string_view id, WidgetEvent event) : Event(std::move(event)), ID(id) {
    try {
        Options.reserve(1);
    } catch (const std::bad_alloc&) {
        EndWithFatalError(NoOptionStorage);
    }
}

void AddOption(RadioButton& group, int32_t x, int32_t y) {
    group.Options.push_back(RadioOption{x, y, 0});
}

void Update(RadioButton& group) {
    if (group.Hidden) return;
    const PointerState pointer = PollPointer();
    if (!LeftButtonAlone(pointer)) return;
    // Indexed, because a handler may add options to the group while the scan runs. With
    // overlapping cells every hit option fires and the last one stays checked.
    for (size_t i = 0; i < group.Options.size(); ++i) {
        if (!Hits(Cell(group.Options[i]), pointer)) continue;
        for (RadioOption& option : group.Options) option.Checked = 0;
        group.Options[i].Checked = 1;
        group.Selected = static_cast<int32_t>(i);
        if (group.Event) group.Event(group.ID);
    }
}

void Draw(const RadioButton& group) {
    if (group.Hidden) return;
    for (const RadioOption& option : group.Options) {
        const float cx = option.X + CellSize / 2, cy = option.Y + CellSize / 2;
        DrawCircle(nullptr, cx, cy, 5.0f, Palette::Shadow);
        DrawCircle(nullptr, cx, cy, 3.0f, Palette::Field);
        if (option.Checked) DrawCircle(nullptr, cx, cy, 2.0f, Palette::Ink);
    }
}

void Erase(const RadioButton& group) {
    if (group.Hidden) return;
    // Centred on the cell's corner, not its middle.
    for (const RadioOption& option : group.Options) {
        DrawCircle(nullptr, option.X, option.Y, 10.0f, Palette::Ink);
    }
}
