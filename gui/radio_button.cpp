#include "gui/radio_button.h"

#include <new>

#include "screen/screen.h"

namespace {

constexpr int32_t CellSize = 10;
constexpr uint32_t RimColour = 0x00666666;
constexpr uint32_t FaceColour = 0x00FFFFFF;
constexpr uint32_t DotColour = 0x00000000;

bool Inside(const RadioOption& option, int32_t mx, int32_t my) {
    return option.X < mx && mx < option.X + CellSize && option.Y < my && my < option.Y + CellSize;
}

}  // namespace

RadioButton::RadioButton(std::string_view id, WidgetEvent event) : Event(std::move(event)), ID(id) {
    try {
        Options.reserve(1);
    } catch (const std::bad_alloc&) {
        EndWithFatalError("[ERROR] Zero pointer exception in: Constructor RadioButton()");
    }
}

void AddOption(RadioButton& group, int32_t x, int32_t y) {
    group.Options.push_back(RadioOption{x, y, 0});
}

void Draw(const RadioButton& group) {
    if (group.Hidden) return;
    for (const RadioOption& option : group.Options) {
        const float cx = option.X + 5, cy = option.Y + 5;
        DrawCircle(nullptr, cx, cy, 5.0f, RimColour);
        DrawCircle(nullptr, cx, cy, 3.0f, FaceColour);
        if (option.Checked) DrawCircle(nullptr, cx, cy, 2.0f, DotColour);
    }
}

void Update(RadioButton& group) {
    if (group.Hidden) return;
    int32_t mx, my, wheel, buttons, clip;
    GetMouse(&mx, &my, &wheel, &buttons, &clip);
    if (buttons != 1) return;
    // Indexed, because a handler may add options to the group while the scan runs. With
    // overlapping cells every hit option fires and the last one stays checked.
    for (size_t i = 0; i < group.Options.size(); ++i) {
        if (!Inside(group.Options[i], mx, my)) continue;
        for (RadioOption& option : group.Options) option.Checked = 0;
        group.Options[i].Checked = 1;
        group.Selected = static_cast<int32_t>(i);
        if (group.Event) group.Event(group.ID);
    }
}

void Erase(const RadioButton& group) {
    if (group.Hidden) return;
    // Centred on the cell's corner, not its middle.
    for (const RadioOption& option : group.Options) {
        DrawCircle(nullptr, option.X, option.Y, 10.0f, 0x00000000);
    }
}

void Hide(RadioButton& group) {
    group.Hidden = 1;
}
void Show(RadioButton& group) {
    group.Hidden = 0;
}
