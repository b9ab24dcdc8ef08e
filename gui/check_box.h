// A CheckBox: a 15 x 15 box toggled by each left click, calling its event with its text after
// every toggle. The text identifies the box to the callback and is not drawn.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

struct CheckBox {
    CheckBox(int32_t x, int32_t y, std::string_view text, WidgetEvent event);

    uint8_t Checked = 0;
    int32_t X;
    int32_t Y;
    ImageHandle UncheckedImage;
    ImageHandle CheckedImage;
    std::string Text;
    WidgetEvent Event;
    uint8_t Hidden = 0;
    // The left button alone was held at the previous Update, so a held press toggles only once.
    uint8_t PressLatch = 0;
};

void Update(CheckBox& box);
void Draw(const CheckBox& box);
void Erase(const CheckBox& box);
