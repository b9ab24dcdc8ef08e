// The viewer's window title: what is shown and how large ("sunset.png — 4000 × 3000 — 16 %"),
// with the file's place among several ("— 2 of 3").
#pragma once

#include <cstdint>
#include <string>

#include "viewer/view.h"

struct TitleFacts {
    std::string path;
    bool shown = false;  // false: the file could not be shown
    Extent size;
    double zoom = 1;
    size_t index = 0;  // from 0
    size_t count = 1;
    bool transparency = false;  // transparent pixels are shown over a checkerboard
};

// UTF-8; the file's name without its folder.
std::string WindowTitleOf(const TitleFacts& facts);
