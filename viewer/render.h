// Drawing a view of a picture into window pixels: enlargements repeat each picture pixel (sharp),
// reductions average the picture's pixels over the area each window pixel covers, taken from a
// level of halvings so that no window pixel reads more than 3 x 3 of them. What the picture does
// not cover is the panel grey.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "viewer/view.h"

inline constexpr uint32_t PanelGrey = 0xFFDDDDDD;

// A picture as the viewer shows it: opaque, with its halvings down to one that fits `smallest`.
struct Pyramid {
    std::vector<picture::Pixels> levels;  // levels[0] is the picture; each next one half as large
    Extent size;                          // the picture's
    size_t pending = 0;                   // levels [0, pending) are empty until CompletePyramid
    Extent Size() const { return size; }
};

// The pyramid of a decoded picture, taken over. Its pixels are shown as the screen's images show
// them: alpha is not looked at, and the mask colour 0xFF00FF is left out (shows the panel grey).
// `picture` may be the picture of `size` read at 1/2, 1/4 or 1/8 of each side (rounded up): it
// becomes that level, and the larger ones wait for CompletePyramid. An empty `size` is the
// picture's own. Empty levels when memory is short or the sizes do not match.
Pyramid BuildPyramid(picture::Pixels picture, double smallestZoom, Extent size = {});
// Gives a pyramid built from a reduced read the picture itself, and the levels between; false
// (and the pyramid unchanged) when it is not the picture's size or memory is short.
bool CompletePyramid(Pyramid& pyramid, picture::Pixels picture);

struct WindowPixels {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // in bytes
};

// A pyramid still pending is drawn from its largest level present, enlarged where need be.
void Render(const Pyramid& pyramid, const View& view, const WindowPixels& window);
