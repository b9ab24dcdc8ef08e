// What the viewer's keys ask for. Keys are the codes ReadKey gives: characters as themselves,
// keys without one as (PC scan code << 8) | 0xFF.
#pragma once

#include <cstdint>

enum class Command {
    None,
    Quit,
    ZoomIn,
    ZoomOut,
    ActualSize,
    Fit,
    PanLeft,
    PanRight,
    PanUp,
    PanDown,
    Next,
    Previous,
    First,
    Last,
    ToggleTransparency,
};

Command CommandOf(int32_t keyCode);
