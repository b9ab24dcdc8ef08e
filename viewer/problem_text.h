// Why a file cannot be shown, written in its place in the window: its name and the reason,
// centred on the panel, in the 8 x 8 font at the desktop's scale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "viewer/view.h"

// Draws `text` with its top-left corner at (x, y) on the screen, each dot of the font `scale` x
// `scale` pixels.
void DrawScaledText(int64_t x, int64_t y, std::string_view text, uint32_t colour, int32_t scale);

// The path and the problem, cut into lines that fit the window.
void DrawProblem(const std::string& path, const std::string& problem, Extent window, int32_t scale);
