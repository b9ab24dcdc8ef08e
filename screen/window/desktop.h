// The desktop a window opens on: its work area (the screen less panels and docks) and the whole
// factor it shows windows at on high-density screens. Programs keep drawing at scale 1; the window
// back end repeats every frame pixel scale x scale times and maps the pointer back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What the window manager puts around a window's client area: title bar and borders.
struct FrameExtents {
    int32_t left = 0;
    int32_t right = 0;
    int32_t top = 0;
    int32_t bottom = 0;
};

struct Desktop {
    int32_t x = 0;  // the work area's top-left corner
    int32_t y = 0;
    int32_t width = 0;  // the work area in desktop pixels; 0 x 0 when unknown
    int32_t height = 0;
    FrameExtents frame;  // as the window manager said it frames a new window; 0 without one
    int32_t scale = 1;

    // The largest client area whose window, frame included, fits the work area (0 x 0 unknown).
    int32_t RoomWidth() const { return width > 0 ? width - frame.left - frame.right : 0; }
    int32_t RoomHeight() const { return height > 0 ? height - frame.top - frame.bottom : 0; }
};

// Where to ask for a window of a client area of width x height: the outer corner of its frame,
// so that the frame is centred in the work area (at its top-left corner when larger).
struct WindowCorner {
    int32_t x = 0;
    int32_t y = 0;
};
WindowCorner CentredWindow(const Desktop& desktop, int32_t width, int32_t height);

// The scale asked for: PIXELTOOLS_SCALE (the user's choice for these programs), else GDK_SCALE
// (the desktop's), else Xft.dpi of 192 and more (2 per 96 dots per inch). Values that are no
// whole number from 1 to MaxDesktopScale are ignored; empty means unset, a dpi of 0 unknown.
inline constexpr int32_t MaxDesktopScale = 8;
int32_t DesktopScale(std::string_view pixeltoolsScale, std::string_view gdkScale, int32_t xftDpi);
// What to tell the user of a PIXELTOOLS_SCALE that DesktopScale passes over, in one line naming
// the value (control characters shown as "?") and the range; empty when unset or usable.
std::string ScaleSettingProblem(std::string_view pixeltoolsScale);

// The Xft.dpi entry of an X resource text (the root window's RESOURCE_MANAGER); 0 without one.
int32_t XftDpiOf(std::string_view resources);

// The largest scale up to `wanted` at which a frame of width x height fits an area of
// areaWidth x areaHeight (an unknown, 0 x 0, area fits everything); at least 1.
int32_t FittingScale(int32_t wanted, int32_t width, int32_t height, int32_t areaWidth,
                     int32_t areaHeight);
