// Drawing a view of a picture into window pixels: enlargements repeat each picture pixel (sharp),
// reductions average the picture's pixels over the area each window pixel covers, taken from a
// level of the pyramid so that no window pixel reads more than 3 x 3 of them. What the picture
// does not cover is the panel grey.
#pragma once

#include <cstdint>

#include "viewer/pyramid.h"
#include "viewer/view.h"

struct WindowPixels {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // in bytes
};

// The squares of the two greys that transparent pixels show, anchored at the picture's corner.
inline constexpr uint32_t CheckLight = 0xFF999999;
inline constexpr uint32_t CheckDark = 0xFF666666;

// How transparency is drawn: not at all, as the screen's images show a picture (alpha not looked
// at, the mask colour left out as the panel grey), or each pixel over a checkerboard of squares
// `checkSize` window pixels wide by its alpha, the mask colour wholly transparent.
struct Transparency {
    bool shown = false;
    int32_t checkSize = 8;
};

// A pyramid still pending is drawn from its largest level present, enlarged where need be.
// Transparency is shown only where PrepareSeeThrough made the pyramid's see-through levels.
void Render(const Pyramid& pyramid, const View& view, const WindowPixels& window,
            Transparency transparency = {});
