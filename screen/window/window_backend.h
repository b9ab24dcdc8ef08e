// The real window: a program that shows one calls this once, before OpenScreen. Only programs
// linked with the window back end (the screen_window library) have it; the others stay headless.
#pragma once

#include "screen/window/desktop.h"

void UseWindowBackend();

// The desktop the window opens on, read from the X server and the environment; a 0 x 0 area
// without a display. The window opens at FittingScale(scale, ...) of the work area.
Desktop ReadDesktop();

// ScaleSettingProblem of this process's PIXELTOOLS_SCALE.
std::string ScaleSettingProblem();
