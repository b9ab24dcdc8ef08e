// The desktop's own identity of the program's window, for desktop code outside the screen layer
// (dialogs that must stay above the window and belong to it).
#pragma once

#include <cstdint>

// The X11 window id of the open window; 0 while no window is open and on the headless back end.
uint64_t NativeWindowId();
