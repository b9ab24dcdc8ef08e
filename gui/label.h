// A Label: one line of fixed text on a raised light-grey panel. It takes no input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gui/toolkit.h"

struct Label {
    Label(int32_t x, int32_t y, std::string_view text);

    int32_t X;
    int32_t Y;
    uint8_t Hidden = 0;
    // Characters of the text at construction: the panel keeps this width if Text changes later.
    int32_t Length;
    std::string Text;
};

void Draw(const Label& label);
void Erase(const Label& label);
