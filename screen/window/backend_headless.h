// The headless driver: a window back end without a window, for tests. Its
// instance is a plain record of what a window would show and of what the desktop holds; it knows
// nothing of the screen that drives it. Tests reach the record through the engine's seam
// (headless.h), with the screen lock held, which keeps the instance's calls apart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "screen/window/backend.h"

namespace screen_internal {

struct HeadlessWindow {
    int32_t width = 0;  // the client area
    int32_t height = 0;
    int32_t frameWidth = 0;  // the frame presented last
    int32_t frameHeight = 0;
    std::vector<uint32_t> frame;  // frameWidth x frameHeight, as presented so far
    int64_t presents = 0;         // present calls that carried at least one row
    std::string title;            // the latest title set after the window opened
    // The pointer state the back end was asked for.
    bool pointerShown = true;
    bool pointerBusy = false;
    bool pointerConfined = false;
    bool pointerCaptured = false;
    // The desktop's side, kept by whoever plays the user: the held keys are sampled and the
    // clipboard read and written by the driver; the buttons, focus and minimised state are
    // remembered so that only changes are reported.
    KeyStateTable heldKeys{};
    std::string clipboard;
    int32_t buttons = 0;
    bool active = true;
    bool minimised = false;
};

const Backend& HeadlessBackend();
// The record behind an instance of the headless back end.
HeadlessWindow& HeadlessWindowOf(void* instance);

}  // namespace screen_internal
