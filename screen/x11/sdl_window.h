// The SDL window record that the SDL driver's units share, and the window-system calls it makes
// through Xlib (sdl_x11.cpp), declared without the window-system header so that Xlib's macros
// stay out of the driver. Include only in screen/x11/sdl_*.cpp.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "screen/window/placement.h"
#include "screen/window/shown_rows.h"

namespace screen_internal {

// Drops and the clipboard, which this layer reads through Xlib itself: SDL decodes a dropped URI
// list by rules of its own and reads no incremental (large) clipboard. Defined in sdl_x11.cpp.
struct X11Transfers;
std::shared_ptr<X11Transfers> MakeX11Transfers(SDL_Window* window);

struct SdlWindow {
    SDL_Window* window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool focused = true;
    bool minimised = false;
    bool fullScreen = false;
    bool resizable = false;  // the frame follows the client area, pixel for pixel
    bool clearBars = false;  // the next present repaints the whole window, bars included
    int32_t scale = 1;       // the desktop's, in a window; full screen places the frame anew
    Placement placement;
    uint64_t nativeWindow = 0;
    std::shared_ptr<X11Transfers> transfers;  // drops and the clipboard, read through Xlib
    SDL_Cursor* busyCursor = nullptr;         // made on first use
    ShownRows shown;
};

inline SdlWindow& WindowOf(void* self) {
    return *static_cast<SdlWindow*>(self);
}

// The X11 id of SDL's window; 0 when it is not an X11 window.
uint64_t X11WindowOf(SDL_Window* window);
// A press or release of a pointer button in the window system's own event, with the pointer's
// position in the window; nothing for other events.
struct RawButton {
    int32_t bit = 0;
    bool pressed = false;
    int32_t x = 0;
    int32_t y = 0;
};
std::optional<RawButton> RawButtonOf(const SdlWindow& w, const SDL_SysWMmsg* message);
// The files of a drop onto the window that this message completes; nothing for other messages.
std::optional<std::vector<std::string>> DroppedFilesOf(SdlWindow& w, const SDL_SysWMmsg* message);
std::string ReadClipboardText(SdlWindow& w);
void OfferClipboardText(SdlWindow& w, const std::string& text);
// Answers a request for the clipboard we offer, or takes note that another program took it;
// false for other messages.
bool AnswerSelectionEvent(SdlWindow& w, const SDL_SysWMmsg* message);

// SDL's own title call leaves _NET_WM_NAME as it was and garbles WM_NAME outside ASCII in the C
// locale: the properties are set directly.
void SetX11Title(const SdlWindow& w, const char* title);

}  // namespace screen_internal
