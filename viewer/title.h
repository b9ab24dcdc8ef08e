// The viewer's window title: what is shown and how large ("sunset.png — 4000 × 3000 — 16 %"),
// with the file's place among several ("— 2 of 3"), and the label of a picture of several in one
// include file ("sheet.bi — Ressheet_bi_3 — 16 × 16 — 400 % — 4 of 16").
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
    std::string part;           // the label of one picture of several in the file, or empty
};

// UTF-8; the file's name without its folder.
std::string WindowTitleOf(const TitleFacts& facts);
