// The real window: a program that shows one calls this once, before OpenScreen. Only programs
// linked with the window back end (the screen_window library) have it; the others stay headless.
#pragma once

void UseWindowBackend();
