// The window back end: a small table of plain functions, in the manner of a driver table. Every
// entry but `create` takes the instance that `create` returned. The window thread calls them
// (create and destroy without the screen lock, the others with it held); nativeWindowId is also
// called from the program's threads, with the screen lock held, which keeps it apart from the
// window thread's calls. Notifications flow back through the input sink functions below, on the
// window thread with the lock held.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "screen/keyboard.h"

namespace screen_internal {

struct Backend {
    // Creates the window (client area width x height): the back end's instance, or nullptr with
    // the reason, in words for the user, in `failure`. A resizable window shows the frame pixel
    // for pixel and reports each new client size through NotifyResized.
    void* (*create)(int32_t width, int32_t height, const char* title, bool resizable,
                    std::string& failure);
    // Shows rows first..last of the frame buffer (pitch = width * 4, XRGB), which is
    // width x height: a resizable window's frame follows its size.
    void (*present)(void* self, const uint8_t* frame, int32_t width, int32_t height, int32_t first,
                    int32_t last);
    // Hands every pending desktop notification to the input sink.
    void (*pump)(void* self);
    // Fills the held-key table from the desktop's keyboard state.
    void (*sampleKeys)(void* self, KeyStateTable& table);
    void (*showPointer)(void* self, bool shown);
    // Gives the pointer over the window the desktop's busy shape, or its usual one again.
    void (*setBusyPointer)(void* self, bool busy);
    void (*confinePointer)(void* self, bool confined);
    void (*capturePointer)(void* self, bool captured);
    void (*warpPointer)(void* self, int32_t x, int32_t y);
    // Switches between window and full screen.
    void (*toggleFullScreen)(void* self);
    // Names the window in the desktop's title bar and task list (UTF-8).
    void (*setTitle)(void* self, const char* title);
    // The desktop's id of the window (the X11 window id); 0 without one.
    uint64_t (*nativeWindowId)(void* self);
    // The desktop clipboard's text (UTF-8); empty when it holds none. The window thread asks for
    // the program's threads.
    std::string (*clipboardText)(void* self);
    // Offers `text` (UTF-8) as the clipboard's until another program takes it; clipboardText
    // then gives it back.
    void (*setClipboardText)(void* self, const std::string& text);
    // Closes the window and releases the instance.
    void (*destroy)(void* self);
};

// The back end the next OpenScreen uses; without one OpenScreen fails.
void ChooseBackend(const Backend* backend);

// The input sink: what the back end reports, in client-area pixel coordinates.
void NotifyPointer(int32_t x, int32_t y, bool inside);
void NotifyPointerInside(bool inside);
// Button bits 0 (left) to PointerButtonCount - 1.
inline constexpr int32_t PointerButtonCount = 5;
void NotifyButton(int32_t bit, bool pressed);
void NotifyWheel(int32_t delta);
// A key pressed (or repeating) on the desktop keyboard; translated into what it pushes. A press
// (not a repeat) also latches the key for IsKeyDown.
void NotifyKeyDown(const KeyDown& key);
// Text typed on the desktop (UTF-8); each character is pushed once, by its code page 437 code or
// as "?", with its Unicode value beside.
void NotifyText(std::string_view utf8);
// A key already translated to its key code, pushed `repeat` times.
void NotifyKeyCode(int32_t code, int32_t repeat);
// A typed character in code page 437, pushed `repeat` times.
void NotifyCharacter(uint8_t code, int32_t repeat);
// Files dropped onto the window, as local paths, in the desktop's order.
void NotifyDroppedFiles(const std::vector<std::string>& paths);
void NotifyFocus(bool activated, bool minimised);
void NotifyClose();
// The user asked to switch between window and full screen (the maximise box).
void NotifyFullScreenRequest();
// The back end lost what it showed (window exposed or resized): present everything.
void NotifyNeedsFullPresent();
// A resizable window's client area is now width x height pixels: the frame buffer follows.
// Other windows' sizes are the back end's own business.
void NotifyResized(int32_t width, int32_t height);

}  // namespace screen_internal
