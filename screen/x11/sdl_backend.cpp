// The real window, on SDL2's X11 driver. With sdl_x11.cpp, the only units that include SDL; it
// translates between SDL's calls and events and this layer's own pure units (keyboard, UTF-8
// text, placement, X buttons). Everything here runs on the window thread, or on a program's thread
// holding the screen lock, which keeps it apart from the window thread's calls.
#include <SDL.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "screen/window/backend.h"
#include "screen/window/desktop.h"
#include "screen/window/placement.h"
#include "screen/window/shown_rows.h"
#include "screen/window/window_backend.h"
#include "screen/x11/sdl_window.h"

namespace screen_internal {

namespace {

// SDL's scan codes are the USB HID usages that the keyboard unit expects.
constexpr bool SameKey(SDL_Scancode scanCode, hid::Usage usage) {
    return static_cast<uint32_t>(scanCode) == usage;
}
static_assert(SameKey(SDL_SCANCODE_A, hid::A) && SameKey(SDL_SCANCODE_RETURN, hid::Return) &&
              SameKey(SDL_SCANCODE_F1, hid::F1) && SameKey(SDL_SCANCODE_UP, hid::Up) &&
              SameKey(SDL_SCANCODE_KP_0, hid::Keypad0) &&
              SameKey(SDL_SCANCODE_APPLICATION, hid::Application) &&
              SameKey(SDL_SCANCODE_LCTRL, hid::LeftCtrl) &&
              SameKey(SDL_SCANCODE_RGUI, hid::RightGui));

// SDL keycodes below this bit are the key's character in the current layout.
constexpr SDL_Keycode KeycodeWithoutCharacter = SDLK_SCANCODE_MASK;

// The smallest client area a resizable window can be given, in the desktop's scaled pixels.
constexpr int32_t SmallestWidth = 160;
constexpr int32_t SmallestHeight = 120;

// The frame at the window's scale from its top-left corner, or placed in the full screen; a
// resizable window's frame is its client area.
Placement WindowPlacement(const SdlWindow& w) {
    if (!w.fullScreen || w.resizable)
        return Placement{.scale = w.scale, .offsetX = 0, .offsetY = 0};
    int32_t areaWidth = 0;
    int32_t areaHeight = 0;
    SDL_GetWindowSize(w.window, &areaWidth, &areaHeight);
    return PlaceFrame(w.width, w.height, areaWidth, areaHeight);
}

SDL_Window* CreateWindow(const SdlWindow& w, const Desktop& desktop, const char* title) {
    const int32_t width = w.width * w.scale;
    const int32_t height = w.height * w.scale;
    const Uint32 flags = SDL_WINDOW_SHOWN | (w.resizable ? SDL_WINDOW_RESIZABLE : 0);
    if (desktop.width <= 0)
        return SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                height, flags);
    // The window manager puts the frame's outer corner where the window asks to be.
    const WindowCorner corner = CentredWindow(desktop, width, height);
    return SDL_CreateWindow(title, corner.x, corner.y, width, height, flags);
}

void* Create(int32_t width, int32_t height, const char* title, bool resizable,
             std::string& failure) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C in the console still ends us
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        failure =
            std::string("cannot open a window: no X display available (") + SDL_GetError() + ")";
        return nullptr;
    }
    auto w = std::make_unique<SdlWindow>();
    w->width = width;
    w->height = height;
    w->resizable = resizable;
    // The desktop's scale, as far as the scaled window still fits its work area with its frame.
    const Desktop desktop = ReadDesktop();
    w->scale = resizable ? 1
                         : FittingScale(desktop.scale, width, height, desktop.RoomWidth(),
                                        desktop.RoomHeight());
    w->placement = WindowPlacement(*w);
    w->window = CreateWindow(*w, desktop, title);
    if (!w->window) {
        failure = std::string("cannot create the window: ") + SDL_GetError();
        SDL_Quit();
        return nullptr;
    }
    if (resizable)
        SDL_SetWindowMinimumSize(w->window, SmallestWidth * desktop.scale,
                                 SmallestHeight * desktop.scale);
    w->nativeWindow = X11WindowOf(w->window);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    // SDL takes no drops itself; the window's own drop target does.
    for (const Uint32 drop : {SDL_DROPBEGIN, SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPCOMPLETE})
        SDL_EventState(drop, SDL_DISABLE);
    w->transfers = MakeX11Transfers(w->window);
    SDL_RaiseWindow(w->window);
    SDL_StartTextInput();
    return w.release();
}

void CopyRows(const SdlWindow& w, SDL_Surface* surface, const uint8_t* frame, int32_t first,
              int32_t last) {
    const uint32_t format = surface->format->format;
    if (format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888) {
        const PixelTarget target{static_cast<uint8_t*>(surface->pixels), surface->w, surface->h,
                                 surface->pitch};
        CopyPlacedRows(w.placement, frame, w.width, first, last, target);
        return;
    }
    const int32_t rowBytes = w.width * 4;
    auto* out = static_cast<uint8_t*>(surface->pixels);
    for (int32_t y = first; y <= last; ++y) {
        for (int32_t copy = 0; copy < w.placement.scale; ++copy) {
            const int32_t outY = w.placement.offsetY + y * w.placement.scale + copy;
            if (outY >= surface->h) break;
            // The window may already be narrower than the frame that is to follow it.
            SDL_ConvertPixels(std::min(w.width, surface->w), 1, SDL_PIXELFORMAT_ARGB8888,
                              frame + static_cast<int64_t>(y) * rowBytes, rowBytes, format,
                              out + static_cast<int64_t>(outY) * surface->pitch, surface->pitch);
        }
    }
}

void Present(void* self, const uint8_t* frame, int32_t width, int32_t height, int32_t first,
             int32_t last) {
    SdlWindow& w = WindowOf(self);
    if (width != w.width || height != w.height) {
        // A resizable window's frame followed its size: everything is painted anew.
        w.width = width;
        w.height = height;
        w.clearBars = true;
    }
    if (w.clearBars) w.shown = {};  // the whole window is painted again
    if (!KeepChangedRows(w.shown, frame, w.width, first, last)) return;
    SDL_Surface* surface = SDL_GetWindowSurface(w.window);
    if (!surface) return;
    RememberRows(w.shown, frame, w.width, w.height, first, last);
    w.placement = WindowPlacement(w);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    if (w.clearBars) SDL_FillRect(surface, nullptr, 0);
    CopyRows(w, surface, frame, first, last);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (w.clearBars) {
        w.clearBars = false;
        SDL_UpdateWindowSurface(w.window);
        return;
    }
    const WindowRect band = RowBand(w.placement, w.width, first, last);
    const SDL_Rect rect{band.x, band.y, band.width, band.height};
    SDL_UpdateWindowSurfaceRects(w.window, &rect, 1);
}

void ReportPointer(const SdlWindow& w, int32_t windowX, int32_t windowY) {
    const FramePoint p = FramePointOf(w.placement, w.width, w.height, windowX, windowY);
    NotifyPointer(p.x, p.y, p.inside);
}

void HandleWindowEvent(SdlWindow& w, const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            NotifyClose();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
        case SDL_WINDOWEVENT_FOCUS_LOST:
            w.focused = e.event == SDL_WINDOWEVENT_FOCUS_GAINED;
            NotifyFocus(w.focused, w.minimised);
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            w.minimised = true;
            NotifyFocus(w.focused, w.minimised);
            break;
        case SDL_WINDOWEVENT_RESTORED:
            if (w.minimised) {
                w.minimised = false;
                NotifyFocus(w.focused, w.minimised);
            }
            w.shown = {};
            NotifyNeedsFullPresent();
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            // A fixed window's maximise box switches to full screen instead of growing it.
            if (w.resizable) break;
            SDL_RestoreWindow(w.window);
            NotifyFullScreenRequest();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            NotifyPointerInside(false);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (w.resizable) NotifyResized(e.data1, e.data2);
            [[fallthrough]];
        case SDL_WINDOWEVENT_EXPOSED:
            w.clearBars = true;
            NotifyNeedsFullPresent();
            break;
        default:
            break;
    }
}

KeyDown KeyDownOf(const SDL_KeyboardEvent& e) {
    KeyDown key;
    key.usage = e.keysym.scancode;
    if (e.keysym.sym < KeycodeWithoutCharacter) key.character = static_cast<char32_t>(e.keysym.sym);
    const uint16_t mod = e.keysym.mod;
    if (mod & KMOD_SHIFT) key.modifiers |= ShiftHeld;
    if (mod & KMOD_CTRL) key.modifiers |= CtrlHeld;
    if (mod & KMOD_ALT) key.modifiers |= AltHeld;
    if (mod & KMOD_NUM) key.modifiers |= NumLockOn;
    key.repeat = e.repeat != 0;
    return key;
}

void HandleEvent(SdlWindow& w, const SDL_Event& e) {
    switch (e.type) {
        case SDL_WINDOWEVENT:
            HandleWindowEvent(w, e.window);
            break;
        case SDL_MOUSEMOTION:
            ReportPointer(w, e.motion.x, e.motion.y);
            break;
        case SDL_SYSWMEVENT:
            // Buttons come from the window system's events, not SDL's button events: SDL drops a
            // press while it believes that button is still down, which it does after a release
            // that went to another client (a dialog opened under the held pointer).
            if (const std::optional<RawButton> b = RawButtonOf(w, e.syswm.msg)) {
                ReportPointer(w, b->x, b->y);
                NotifyButton(b->bit, b->pressed);
            }
            if (const auto files = DroppedFilesOf(w, e.syswm.msg)) NotifyDroppedFiles(*files);
            AnswerSelectionEvent(w, e.syswm.msg);
            break;
        case SDL_MOUSEWHEEL:
            if (e.wheel.y != 0)
                NotifyWheel(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
            break;
        case SDL_KEYDOWN:
            NotifyKeyDown(KeyDownOf(e.key));
            break;
        case SDL_TEXTINPUT:
            // Alt+letter types text too, but presses with Alt held push nothing.
            if (!(SDL_GetModState() & KMOD_ALT)) NotifyText(e.text.text);
            break;
        default:
            break;  // SDL_QUIT follows the close box, which already pushed its key
    }
}

void Pump(void* self) {
    SdlWindow& w = WindowOf(self);
    SDL_Event e;
    while (SDL_PollEvent(&e)) HandleEvent(w, e);
}

void SampleKeys(void* /*self*/, KeyStateTable& table) {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    FillHeldKeys({state, static_cast<size_t>(count)}, table);
}

void ShowPointer(void* /*self*/, bool shown) {
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void SetBusyPointer(void* self, bool busy) {
    SdlWindow& w = WindowOf(self);
    if (busy && !w.busyCursor) w.busyCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_WAIT);
    SDL_SetCursor(busy && w.busyCursor ? w.busyCursor : SDL_GetDefaultCursor());
}

void ConfinePointer(void* self, bool confined) {
    SDL_SetWindowGrab(WindowOf(self).window, confined ? SDL_TRUE : SDL_FALSE);
}

void CapturePointer(void* /*self*/, bool captured) {
    SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}

void WarpPointer(void* self, int32_t x, int32_t y) {
    const SdlWindow& w = WindowOf(self);
    const WindowPoint at = WindowPointOf(w.placement, x, y);
    SDL_WarpMouseInWindow(w.window, at.x, at.y);
}

void ToggleFullScreen(void* self) {
    SdlWindow& w = WindowOf(self);
    w.fullScreen = !w.fullScreen;
    SDL_SetWindowFullscreen(w.window, w.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    w.clearBars = true;
}

void SetTitle(void* self, const char* title) {
    SetX11Title(WindowOf(self), title);
}

uint64_t NativeWindowId(void* self) {
    return WindowOf(self).nativeWindow;
}

std::string ClipboardText(void* self) {
    return ReadClipboardText(WindowOf(self));
}

void SetClipboardText(void* self, const std::string& text) {
    OfferClipboardText(WindowOf(self), text);
}

void Destroy(void* self) {
    const std::unique_ptr<SdlWindow> w(&WindowOf(self));
    w->transfers.reset();  // its window goes with SDL's display
    SDL_FreeCursor(w->busyCursor);
    SDL_DestroyWindow(w->window);
    SDL_Quit();
}

constexpr Backend Sdl{
    .create = Create,
    .present = Present,
    .pump = Pump,
    .sampleKeys = SampleKeys,
    .showPointer = ShowPointer,
    .setBusyPointer = SetBusyPointer,
    .confinePointer = ConfinePointer,
    .capturePointer = CapturePointer,
    .warpPointer = WarpPointer,
    .toggleFullScreen = ToggleFullScreen,
    .setTitle = SetTitle,
    .nativeWindowId = NativeWindowId,
    .clipboardText = ClipboardText,
    .setClipboardText = SetClipboardText,
    .destroy = Destroy,
};

}  // namespace

}  // namespace screen_internal

void UseWindowBackend() {
    screen_internal::ChooseBackend(&screen_internal::Sdl);
}
