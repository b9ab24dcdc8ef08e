// How the window manager will frame a window, asked before the window exists
// (_NET_REQUEST_FRAME_EXTENTS): a window sized to the work area less its frame fits wholly.
#pragma once

#include "screen/window/desktop.h"

struct _XDisplay;

// The frame of a new, decorated window; zero when no window manager answers within a second or
// none that says it can is running.
FrameExtents RequestFrameExtents(_XDisplay* display);
