// A RadioButton: a group of round options of which at most one is checked. Clicking an option
// checks it alone and calls the group's event with the group's ID.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gui/toolkit.h"

// One option: the top-left corner of its 10 x 10 cell.
struct RadioOption {
    int32_t X;
    int32_t Y;
    uint8_t Checked;
};

struct RadioButton {
    RadioButton(std::string_view id, WidgetEvent event);

    std::vector<RadioOption> Options;
    WidgetEvent Event;
    std::string ID;
    uint8_t Hidden = 0;
    // Index of the checked option; -1 until the first click.
    int32_t Selected = -1;
};

void AddOption(RadioButton& group, int32_t x, int32_t y);
void Update(RadioButton& group);
void Draw(const RadioButton& group);
void Erase(const RadioButton& group);
