// The viewer's window over the files named on its command line: each shown whole at first, then
// zoomed, panned and stepped through by keys, the wheel and dragging, its transparency shown or
// not. A file that cannot be shown shows why in its place; the others stay reachable. The window
// is resizable: a fitted picture is fitted again, another keeps the point at the window's centre.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "viewer/picture_file.h"
#include "viewer/render.h"
#include "viewer/view.h"

// A file as the window has it: its pyramid, or why it cannot be shown (empty levels).
struct LoadedFile {
    Pyramid pyramid;
    std::string problem;
};

// How a picture may be read for its first frame: no larger than its fit in the window
// `windowFor` gives a picture of its size. The rest is read once that frame is shown.
picture::LoadOptions FirstFrameRead(std::function<Extent(Extent picture)> windowFor);

// A file read for a window of this size. A failure, and every warning, is also one line on
// standard error.
LoadedFile Prepared(const std::string& path, PictureFile file, Extent window);

// Runs the open window (window pixels in size) until the user ends it; `current` is the loaded
// file paths[index]. Texts and the checkerboard are drawn at the desktop's `scale`.
void Browse(const std::vector<std::string>& paths, size_t index, LoadedFile current, Extent window,
            int32_t scale);
