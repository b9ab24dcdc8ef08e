// The headless window back end: no window at all. Tests select it before
// OpenScreen; tests then play the desktop's part, injecting what a user does and reading back
// what the window would show. Every injection is handled by the window thread on its next cycle;
// Sync() waits until that has happened. Everything here acts on the open screen's desktop: without
// an open headless screen injections are dropped and the readers return empty values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace headless {

// Chooses the headless back end for the next OpenScreen.
void UseHeadlessBackend();

// Pointer: moving inside the client area makes the pointer "inside"; PointerLeaves moves it out.
void MovePointer(int32_t x, int32_t y);
void PointerLeaves();
// Sets the held-button mask (bit 0 left, 1 right, 2 middle, 3 and 4 the extra buttons) by
// sending the presses and releases that lead to it.
void SetButtons(int32_t mask);
void Wheel(int32_t delta);

// Keyboard: the held state that the window thread samples each cycle, by PC set-1 scan code.
void SetKeyHeld(int32_t scanCode, bool held);
// A typed character (code page 437), pushed `repeat` times.
void TypeCharacter(uint8_t code, int32_t repeat = 1);
// Text typed on the desktop (UTF-8), as the window hands it on.
void TypeText(std::string_view utf8);
// A key without a character, already translated to its key code ((e << 8) | 0xFF).
void PressKey(int32_t keyCode, int32_t repeat = 1);
// A key pressed on the desktop keyboard, by its USB HID usage, with the modifier flags and the
// key's character in the layout (screen/keyboard.h), as the window translates and latches it.
void PressDesktopKey(uint32_t usage, uint32_t modifiers = 0, char32_t character = 0);
// Window notifications.
void SetFocus(bool active);
void SetMinimised(bool minimised);
// The user gives the window a client area of width x height (a resizable screen follows it).
void ResizeWindow(int32_t width, int32_t height);
void PressCloseBox();
// What the desktop clipboard holds, as ClipboardText returns it.
void SetClipboardText(std::string text);
// Files dropped onto the window, by their local paths.
void DropFiles(std::vector<std::string> paths);

// Waits until the window thread has handled everything injected so far and run one more full
// cycle (present, key sampling).
void Sync();

// What the window shows: the frame's pixels as presented so far (0xAARRGGBB as stored), row by
// row, PresentedWidth() of them a row.
std::vector<uint32_t> PresentedFrame();
int32_t PresentedWidth();
// The title the program last gave the window ("" before it gave one).
std::string WindowTitle();
// How many present calls carried at least one row.
int64_t PresentCount();
// The pointer state the back end was asked for.
bool PointerShown();
bool PointerBusy();
bool PointerConfined();
bool PointerCaptured();

}  // namespace headless
