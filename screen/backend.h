// The window back end: a small table of plain functions, in the manner of a driver table. The
// window thread alone calls them; while it does, it holds the screen lock. Notifications flow back
// through the input sink functions below, also on the window thread with the lock held.
#pragma once

#include <cstdint>

namespace screen_internal {

struct Backend {
    const char* name;
    // Creates the window (client area width x height). False when no window can be had.
    bool (*create)(int32_t width, int32_t height, const char* title);
    // Shows rows first..last of the frame buffer (pitch = width * 4, XRGB).
    void (*present)(const uint8_t* frame, int32_t width, int32_t height, int32_t first,
                    int32_t last);
    // Hands every pending desktop notification to the input sink.
    void (*pump)();
    // Fills the 128-entry scan-code table from the desktop's keyboard state.
    void (*sampleKeys)(uint8_t* table);
    void (*showPointer)(bool shown);
    void (*confinePointer)(bool confined);
    void (*capturePointer)(bool captured);
    void (*warpPointer)(int32_t x, int32_t y);
    void (*destroy)();
};

const Backend& HeadlessBackend();

// The input sink: what the back end reports, in client-area pixel coordinates.
void NotifyPointer(int32_t x, int32_t y, bool inside);
void NotifyPointerInside(bool inside);
void NotifyButton(int32_t bit, bool pressed);
void NotifyWheel(int32_t delta);
// A key without a character, as its key code ((e << 8) | 0xFF).
void NotifyKeyCode(int32_t code, int32_t repeat);
// A typed character in code page 437.
void NotifyCharacter(uint8_t code, int32_t repeat);
void NotifyFocus(bool activated, bool minimised);
void NotifyClose();
// The back end lost what it showed (full screen toggled, window exposed): present everything.
void NotifyNeedsFullPresent();

}  // namespace screen_internal
