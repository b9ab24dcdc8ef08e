// A picture as the viewer keeps it for drawing: the picture as read and its halvings, so that no
// window pixel of a reduced view reads more than 3 x 3 pixels; and, once transparency is to be
// shown, the same with alpha kept (premultiplied), as averages of what lies over a checkerboard.
#pragma once

#include <cstdint>
#include <vector>

#include "picture/picture.h"
#include "viewer/view.h"

inline constexpr uint32_t PanelGrey = 0xFFDDDDDD;

// How the screen's images show a picture pixel: opaque, the mask colour 0xFF00FF left out (the
// panel grey shows there).
inline uint32_t Opaque(uint32_t pixel) {
    const uint32_t rgb = pixel & 0x00FFFFFF;
    return rgb == 0x00FF00FF ? PanelGrey : 0xFF000000u | rgb;
}

// An opaque average that comes out as the mask colour is a picture pixel all the same: one step
// of red off, so that the screen's colour-keyed copy does not leave it out.
inline uint32_t Averaged(uint32_t pixel) {
    const uint32_t rgb = pixel & 0x00FFFFFF;
    return 0xFF000000u | (rgb == 0x00FF00FF ? 0x00FE00FF : rgb);
}

struct Pyramid {
    // levels[0] is the picture as read; each next one half as large, opaque (Opaque, averaged).
    std::vector<picture::Pixels> levels;
    Extent size;         // the picture's
    size_t pending = 0;  // levels [0, pending) are empty until CompletePyramid
    // Whether any pixel is transparent in part or whole, or of the mask colour.
    bool translucent = false;
    // The levels premultiplied by alpha, the mask colour transparent: made by PrepareSeeThrough
    // for a translucent picture, from levels[pending] down; empty until then.
    std::vector<picture::Pixels> seeThrough;
    Extent Size() const { return size; }
};

// The pyramid of a decoded picture, taken over, down to a level for `smallestZoom`. `picture`
// may be the picture of `size` read at 1/2, 1/4 or 1/8 of each side (rounded up): it becomes that
// level, and the larger ones wait for CompletePyramid. An empty `size` is the picture's own.
// Empty levels when memory is short or the sizes do not match.
Pyramid BuildPyramid(picture::Pixels picture, double smallestZoom, Extent size = {});
// Gives a pyramid built from a reduced read the picture itself, and the levels between; false
// (and the pyramid unchanged) when it is not the picture's size or memory is short.
bool CompletePyramid(Pyramid& pyramid, picture::Pixels picture);
// More halvings where the pyramid stops short of `smallestZoom` (its window shrank); false when
// memory is short (the pyramid stays as it was, still drawable).
bool ExtendPyramid(Pyramid& pyramid, double smallestZoom);
// Makes the see-through levels of a translucent pyramid, unless they are there; false when memory
// is short.
bool PrepareSeeThrough(Pyramid& pyramid);
