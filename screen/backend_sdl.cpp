// The real window, on SDL2's X11 driver. The only unit that includes SDL; everything here runs on
// the window thread.
#include <SDL.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "screen/backend.h"
#include "screen/cp437.h"
#include "screen/native_window.h"
#include "screen/screen_state.h"
#include "screen/window_backend.h"

namespace screen_internal {

namespace {

struct SdlState {
    SDL_Window* window = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    bool focused = true;
    bool minimised = false;
    bool fullScreen = false;
    int32_t scale = 1;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    bool clearBars = false;
    std::array<uint8_t, SDL_NUM_SCANCODES> scanCodeOf{};  // SDL scancode -> PC set-1 code
};

SdlState g_sdl;
// Written on the window thread, read by the program's thread (for its desktop dialogs).
std::atomic<uint64_t> g_nativeWindow = 0;

// The desktop keys behind each PC scan code, after the standard PC layout.
void BindScanCodes(std::array<uint8_t, SDL_NUM_SCANCODES>& map) {
    map.fill(0);
    auto bind = [&](SDL_Scancode key, uint8_t code) { map[key] = code; };
    bind(SDL_SCANCODE_ESCAPE, 1);
    for (int i = 0; i < 9; ++i) bind(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + i), 2 + i);
    bind(SDL_SCANCODE_0, 11);
    bind(SDL_SCANCODE_MINUS, 12);
    bind(SDL_SCANCODE_KP_MINUS, 12);
    bind(SDL_SCANCODE_EQUALS, 13);
    bind(SDL_SCANCODE_BACKSPACE, 14);
    bind(SDL_SCANCODE_TAB, 15);
    const char* rows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const uint8_t rowStart[] = {16, 30, 44};
    for (int r = 0; r < 3; ++r) {
        for (int i = 0; rows[r][i]; ++i)
            bind(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (rows[r][i] - 'A')), rowStart[r] + i);
    }
    bind(SDL_SCANCODE_LEFTBRACKET, 26);
    bind(SDL_SCANCODE_RIGHTBRACKET, 27);
    bind(SDL_SCANCODE_RETURN, 28);
    bind(SDL_SCANCODE_KP_ENTER, 28);
    bind(SDL_SCANCODE_LCTRL, 29);
    bind(SDL_SCANCODE_RCTRL, 29);
    bind(SDL_SCANCODE_SEMICOLON, 39);
    bind(SDL_SCANCODE_APOSTROPHE, 40);
    bind(SDL_SCANCODE_GRAVE, 41);
    bind(SDL_SCANCODE_BACKSLASH, 43);
    bind(SDL_SCANCODE_COMMA, 51);
    bind(SDL_SCANCODE_PERIOD, 52);
    bind(SDL_SCANCODE_SLASH, 53);
    bind(SDL_SCANCODE_KP_DIVIDE, 53);
    bind(SDL_SCANCODE_KP_MULTIPLY, 55);
    bind(SDL_SCANCODE_LALT, 56);
    bind(SDL_SCANCODE_RALT, 56);
    bind(SDL_SCANCODE_SPACE, 57);
    bind(SDL_SCANCODE_CAPSLOCK, 58);
    for (int i = 0; i < 10; ++i) bind(static_cast<SDL_Scancode>(SDL_SCANCODE_F1 + i), 59 + i);
    bind(SDL_SCANCODE_NUMLOCKCLEAR, 69);
    bind(SDL_SCANCODE_SCROLLLOCK, 70);
    bind(SDL_SCANCODE_HOME, 71);
    bind(SDL_SCANCODE_KP_7, 71);
    bind(SDL_SCANCODE_UP, 72);
    bind(SDL_SCANCODE_KP_8, 72);
    bind(SDL_SCANCODE_PAGEUP, 73);
    bind(SDL_SCANCODE_KP_9, 73);
    bind(SDL_SCANCODE_LEFT, 75);
    bind(SDL_SCANCODE_KP_4, 75);
    bind(SDL_SCANCODE_RIGHT, 77);
    bind(SDL_SCANCODE_KP_6, 77);
    bind(SDL_SCANCODE_KP_PLUS, 78);
    bind(SDL_SCANCODE_END, 79);
    bind(SDL_SCANCODE_KP_1, 79);
    bind(SDL_SCANCODE_DOWN, 80);
    bind(SDL_SCANCODE_KP_2, 80);
    bind(SDL_SCANCODE_PAGEDOWN, 81);
    bind(SDL_SCANCODE_KP_3, 81);
    bind(SDL_SCANCODE_INSERT, 82);
    bind(SDL_SCANCODE_KP_0, 82);
    bind(SDL_SCANCODE_DELETE, 83);
    bind(SDL_SCANCODE_KP_PERIOD, 83);
    bind(SDL_SCANCODE_F11, 87);
    bind(SDL_SCANCODE_F12, 88);
    bind(SDL_SCANCODE_LGUI, 91);
    bind(SDL_SCANCODE_RGUI, 92);
    bind(SDL_SCANCODE_APPLICATION, 93);
    // Both Shift keys drive both Shift entries.
    bind(SDL_SCANCODE_LSHIFT, 42);
    bind(SDL_SCANCODE_RSHIFT, 54);
}

// The cursor and editing keys: their code alone and with Ctrl, as the PC BIOS gives them.
struct EditingKey {
    SDL_Keycode key;
    SDL_Keycode keypad;
    int32_t plain;
    int32_t ctrl;
};
constexpr EditingKey kEditingKeys[] = {
    {SDLK_UP, SDLK_KP_8, 72, 141},     {SDLK_DOWN, SDLK_KP_2, 80, 145},
    {SDLK_LEFT, SDLK_KP_4, 75, 115},   {SDLK_RIGHT, SDLK_KP_6, 77, 116},
    {SDLK_HOME, SDLK_KP_7, 71, 119},   {SDLK_END, SDLK_KP_1, 79, 117},
    {SDLK_PAGEUP, SDLK_KP_9, 73, 132}, {SDLK_PAGEDOWN, SDLK_KP_3, 81, 118},
    {SDLK_INSERT, SDLK_KP_0, 82, 146}, {SDLK_DELETE, SDLK_KP_PERIOD, 83, 147},
};

// The BIOS code of a key without a character, Ctrl before Shift before none; 0 for other keys.
int32_t ExtendedCode(SDL_Keycode key, uint16_t mods) {
    const bool ctrl = mods & KMOD_CTRL;
    const bool shift = mods & KMOD_SHIFT;
    const bool numLock = mods & KMOD_NUM;
    for (const EditingKey& k : kEditingKeys) {
        // With Num Lock on, the keypad types digits instead (as text).
        if (k.key == key || (k.keypad == key && !numLock)) return ctrl ? k.ctrl : k.plain;
    }
    if (key >= SDLK_F1 && key <= SDLK_F9) {
        const int32_t n = static_cast<int32_t>(key - SDLK_F1);
        return ctrl ? 94 + n : shift ? 84 + n : 59 + n;
    }
    if (key == SDLK_F11) return ctrl ? 137 : shift ? 135 : 133;
    if (key == SDLK_F12) return ctrl ? 138 : shift ? 136 : 134;
    if (key == SDLK_TAB && shift && !ctrl) return 15;
    return 0;
}

// Control keys arrive as their control characters; Ctrl+letter as codes 1-26.
uint8_t ControlCharacter(SDL_Keycode key, uint16_t mods) {
    switch (key) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return (mods & KMOD_SHIFT) ? 0 : 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_ESCAPE:
            return 27;
        default:
            break;
    }
    if ((mods & KMOD_CTRL) && key >= SDLK_a && key <= SDLK_z)
        return static_cast<uint8_t>(key - SDLK_a + 1);
    return 0;
}

void ToggleFullScreen() {
    g_sdl.fullScreen = !g_sdl.fullScreen;
    SDL_SetWindowFullscreen(g_sdl.window, g_sdl.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    g_sdl.clearBars = true;
    NotifyNeedsFullPresent();
}

// Where the frame sits in the window: the largest whole scale that fits, centred.
void UpdatePlacement(const SDL_Surface* surface) {
    if (!g_sdl.fullScreen) {
        g_sdl.scale = 1;
        g_sdl.offsetX = g_sdl.offsetY = 0;
        return;
    }
    g_sdl.scale = std::max(1, std::min(surface->w / g_sdl.width, surface->h / g_sdl.height));
    g_sdl.offsetX = std::max(0, (surface->w - g_sdl.width * g_sdl.scale) / 2);
    g_sdl.offsetY = std::max(0, (surface->h - g_sdl.height * g_sdl.scale) / 2);
}

int32_t FloorDiv(int32_t a, int32_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

void ReportPointer(int32_t windowX, int32_t windowY) {
    const int32_t x = FloorDiv(windowX - g_sdl.offsetX, g_sdl.scale);
    const int32_t y = FloorDiv(windowY - g_sdl.offsetY, g_sdl.scale);
    const bool inside = x >= 0 && y >= 0 && x < g_sdl.width && y < g_sdl.height;
    NotifyPointer(x, y, inside);
}

uint64_t X11WindowOf(SDL_Window* window);
// A press or release of buttons 1-3, 8 or 9 in the window system's own event, as this layer's
// button bit (-1 for anything else) and the pointer position in the window.
struct RawButton {
    int32_t bit = -1;
    bool pressed = false;
    int32_t x = 0;
    int32_t y = 0;
};
RawButton RawButtonOf(const SDL_SysWMmsg* message);

void ReportFocus() {
    NotifyFocus(g_sdl.focused, g_sdl.minimised);
}

bool Create(int32_t width, int32_t height, const char* title) {
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");  // Ctrl+C in the console still ends us
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: cannot open a window: no X display available (%s)\n", title,
                     SDL_GetError());
        return false;
    }
    g_sdl = SdlState{};
    g_sdl.width = width;
    g_sdl.height = height;
    BindScanCodes(g_sdl.scanCodeOf);
    g_sdl.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width,
                                    height, SDL_WINDOW_SHOWN);
    if (!g_sdl.window) {
        std::fprintf(stderr, "%s: cannot create the window: %s\n", title, SDL_GetError());
        SDL_Quit();
        return false;
    }
    g_nativeWindow = X11WindowOf(g_sdl.window);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_RaiseWindow(g_sdl.window);
    SDL_StartTextInput();
    return true;
}

void CopyRows(SDL_Surface* surface, const uint8_t* frame, int32_t first, int32_t last) {
    const int32_t rowBytes = g_sdl.width * 4;
    auto* out = static_cast<uint8_t*>(surface->pixels);
    const bool sameFormat = surface->format->format == SDL_PIXELFORMAT_RGB888 ||
                            surface->format->format == SDL_PIXELFORMAT_ARGB8888;
    const int32_t scale = g_sdl.scale;
    for (int32_t y = first; y <= last; ++y) {
        const uint8_t* src = frame + static_cast<int64_t>(y) * rowBytes;
        for (int32_t copy = 0; copy < scale; ++copy) {
            const int32_t outY = g_sdl.offsetY + y * scale + copy;
            if (outY >= surface->h) break;
            uint8_t* dst = out + static_cast<int64_t>(outY) * surface->pitch;
            if (scale == 1 && sameFormat) {
                std::memcpy(dst + g_sdl.offsetX * 4, src, rowBytes);
            } else if (sameFormat) {
                auto* d = reinterpret_cast<uint32_t*>(dst) + g_sdl.offsetX;
                const auto* s = reinterpret_cast<const uint32_t*>(src);
                for (int32_t x = 0; x < g_sdl.width; ++x) std::fill_n(d + x * scale, scale, s[x]);
            } else {
                SDL_ConvertPixels(g_sdl.width, 1, SDL_PIXELFORMAT_ARGB8888, src, rowBytes,
                                  surface->format->format, dst, surface->pitch);
            }
        }
    }
}

void Present(const uint8_t* frame, int32_t /*width*/, int32_t /*height*/, int32_t first,
             int32_t last) {
    SDL_Surface* surface = SDL_GetWindowSurface(g_sdl.window);
    if (!surface) return;
    UpdatePlacement(surface);
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    if (g_sdl.clearBars) SDL_FillRect(surface, nullptr, 0);
    CopyRows(surface, frame, first, last);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (g_sdl.clearBars) {
        g_sdl.clearBars = false;
        SDL_UpdateWindowSurface(g_sdl.window);
        return;
    }
    SDL_Rect band{g_sdl.offsetX, g_sdl.offsetY + first * g_sdl.scale, g_sdl.width * g_sdl.scale,
                  (last - first + 1) * g_sdl.scale};
    SDL_UpdateWindowSurfaceRects(g_sdl.window, &band, 1);
}

void HandleWindowEvent(const SDL_WindowEvent& e) {
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE:
            NotifyClose();
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            g_sdl.focused = true;
            ReportFocus();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            g_sdl.focused = false;
            ReportFocus();
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            g_sdl.minimised = true;
            ReportFocus();
            break;
        case SDL_WINDOWEVENT_RESTORED:
            if (g_sdl.minimised) {
                g_sdl.minimised = false;
                ReportFocus();
            }
            NotifyNeedsFullPresent();
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            // The maximise box switches to full screen instead of growing the window.
            SDL_RestoreWindow(g_sdl.window);
            ToggleFullScreen();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            NotifyPointerInside(false);
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            g_sdl.clearBars = true;
            NotifyNeedsFullPresent();
            break;
        default:
            break;
    }
}

void HandleKeyDown(const SDL_KeyboardEvent& e) {
    const SDL_Keycode key = e.keysym.sym;
    const uint16_t mods = e.keysym.mod;
    if (mods & KMOD_ALT) {
        // Alt combinations push nothing; Alt+Enter switches full screen.
        if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && !e.repeat) ToggleFullScreen();
        return;
    }
    if (key == SDLK_F10) return;
    if (const int32_t code = ExtendedCode(key, mods)) {
        NotifyKeyCode((code << 8) | 0xFF, 1);
        return;
    }
    if (const uint8_t control = ControlCharacter(key, mods)) NotifyCharacter(control, 1);
}

// Typed text arrives as UTF-8; each character is pushed in code page 437 if it has a code there.
void HandleText(const char* text) {
    if (SDL_GetModState() & KMOD_ALT) return;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        char32_t c = *p;
        int extra = 0;
        if (c >= 0xF0) {
            c &= 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            c &= 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            c &= 0x1F;
            extra = 1;
        }
        ++p;
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra, ++p) c = (c << 6) | (*p & 0x3F);
        if (const uint8_t code = UnicodeToCp437(c)) NotifyCharacter(code, 1);
    }
}

void Pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_WINDOWEVENT:
                HandleWindowEvent(e.window);
                break;
            case SDL_MOUSEMOTION:
                ReportPointer(e.motion.x, e.motion.y);
                break;
            case SDL_SYSWMEVENT:
                // Buttons come from the window system's events, not SDL's button events: SDL
                // drops a press while it believes that button is still down, which it does after
                // a release that went to another client (a dialog opened under the held pointer).
                if (const RawButton b = RawButtonOf(e.syswm.msg); b.bit >= 0) {
                    ReportPointer(b.x, b.y);
                    NotifyButton(b.bit, b.pressed);
                }
                break;
            case SDL_MOUSEWHEEL:
                if (e.wheel.y != 0) {
                    const int32_t y =
                        e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
                    NotifyWheel(y);
                }
                break;
            case SDL_KEYDOWN:
                HandleKeyDown(e.key);
                break;
            case SDL_TEXTINPUT:
                HandleText(e.text.text);
                break;
            default:
                break;  // SDL_QUIT follows the close box, which already pushed its key
        }
    }
}

void SampleKeys(uint8_t* table) {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    std::fill_n(table, 128, 0);
    for (int key = 0; key < count && key < SDL_NUM_SCANCODES; ++key) {
        if (state[key] && g_sdl.scanCodeOf[key]) table[g_sdl.scanCodeOf[key]] = 1;
    }
    // Either Shift key holds both Shift entries.
    if (table[42] || table[54]) table[42] = table[54] = 1;
}

void ShowPointer(bool shown) {
    SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE);
}

void ConfinePointer(bool confined) {
    SDL_SetWindowGrab(g_sdl.window, confined ? SDL_TRUE : SDL_FALSE);
}

void CapturePointer(bool captured) {
    SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}

void WarpPointer(int32_t x, int32_t y) {
    SDL_WarpMouseInWindow(g_sdl.window, g_sdl.offsetX + x * g_sdl.scale,
                          g_sdl.offsetY + y * g_sdl.scale);
}

void Destroy() {
    g_nativeWindow = 0;
    if (g_sdl.window) SDL_DestroyWindow(g_sdl.window);
    g_sdl.window = nullptr;
    SDL_Quit();
}

const Backend kSdl{"sdl",       Create,         Present,        Pump,        SampleKeys,
                   ShowPointer, ConfinePointer, CapturePointer, WarpPointer, Destroy};

}  // namespace

}  // namespace screen_internal

void UseWindowBackend() {
    screen_internal::ChooseBackend(&screen_internal::kSdl);
}

uint64_t NativeWindowId() {
    return screen_internal::g_nativeWindow;
}

// Last in this file: the window-system header brings Xlib's macros (NotifyPointer, Status, ...),
// which would clash with the names above.
#include <SDL_syswm.h>

namespace screen_internal {
namespace {

RawButton RawButtonOf(const SDL_SysWMmsg* message) {
    if (!message || message->subsystem != SDL_SYSWM_X11) return {};
    const XEvent& event = message->msg.x11.event;
    if (event.type != ButtonPress && event.type != ButtonRelease) return {};
    if (event.xbutton.window != static_cast<::Window>(g_nativeWindow.load())) return {};
    int32_t bit = -1;
    switch (event.xbutton.button) {
        case Button1:
            bit = 0;
            break;
        case Button3:
            bit = 1;
            break;
        case Button2:
            bit = 2;
            break;
        case 8:
            bit = 3;
            break;
        case 9:
            bit = 4;
            break;
        default:
            return {};  // 4-7 are the wheel, which SDL's wheel events report
    }
    return {bit, event.type == ButtonPress, event.xbutton.x, event.xbutton.y};
}

uint64_t X11WindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

}  // namespace
}  // namespace screen_internal
