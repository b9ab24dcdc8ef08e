// The desktop a window opens on: its work area (the screen less panels and docks) and the whole
// factor it shows windows at on high-density screens. Programs keep drawing at scale 1; the window
// back end repeats every frame pixel scale x scale times and maps the pointer back.
#pragma once

#include <cstdint>
#include <string_view>

struct Desktop {
    int32_t width = 0;  // the work area in desktop pixels; 0 x 0 when unknown
    int32_t height = 0;
    int32_t scale = 1;
};

// The scale asked for: PIXELTOOLS_SCALE (the user's choice for these programs), else GDK_SCALE
// (the desktop's), else Xft.dpi of 192 and more (2 per 96 dots per inch). Values that are no
// whole number from 1 to MaxDesktopScale are ignored; empty means unset, a dpi of 0 unknown.
inline constexpr int32_t MaxDesktopScale = 8;
int32_t DesktopScale(std::string_view pixeltoolsScale, std::string_view gdkScale, int32_t xftDpi);

// The Xft.dpi entry of an X resource text (the root window's RESOURCE_MANAGER); 0 without one.
int32_t XftDpiOf(std::string_view resources);

// The largest scale up to `wanted` at which a frame of width x height fits an area of
// areaWidth x areaHeight (an unknown, 0 x 0, area fits everything); at least 1.
int32_t FittingScale(int32_t wanted, int32_t width, int32_t height, int32_t areaWidth,
                     int32_t areaHeight);
