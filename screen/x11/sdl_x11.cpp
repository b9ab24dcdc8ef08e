// The SDL driver's calls into the window system: pointer buttons and drops from X's own events,
// the title properties, the clipboard. Apart from the driver's other units, because the
// window-system header brings Xlib's macros (NotifyPointer, Status, ...), which clash with the
// screen layer's names.
#include <SDL_syswm.h>
#include <X11/Xatom.h>

#include <cstring>

#include "screen/x11/buttons.h"
#include "screen/x11/drop.h"
#include "screen/x11/sdl_window.h"
#include "screen/x11/selection.h"
#include "screen/x11/selection_owner.h"
#include "screen/x11/x_errors.h"

namespace screen_internal {

std::optional<RawButton> RawButtonOf(const SdlWindow& w, const SDL_SysWMmsg* message) {
    if (!message || message->subsystem != SDL_SYSWM_X11) return std::nullopt;
    const XEvent& event = message->msg.x11.event;
    if (event.type != ButtonPress && event.type != ButtonRelease) return std::nullopt;
    if (event.xbutton.window != static_cast<::Window>(w.nativeWindow)) return std::nullopt;
    const std::optional<int32_t> bit = ButtonBitOfX11Button(event.xbutton.button);
    if (!bit) return std::nullopt;
    return RawButton{*bit, event.type == ButtonPress, event.xbutton.x, event.xbutton.y};
}

void SetX11Title(const SdlWindow& w, const char* title) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(w.window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const auto window = static_cast<::Window>(w.nativeWindow);
    const auto* bytes = reinterpret_cast<const unsigned char*>(title);
    const int length = static_cast<int>(std::strlen(title));
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"})
        XChangeProperty(display, window, XInternAtom(display, name, False), utf8, 8,
                        PropModeReplace, bytes, length);
    // Older clients read WM_NAME: the UTF-8 bytes as they are, typed as UTF-8.
    XChangeProperty(display, window, XA_WM_NAME, utf8, 8, PropModeReplace, bytes, length);
    XFlush(display);
}

uint64_t X11WindowOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return info.info.x11.window;
}

// On SDL's own connection, used only on the window thread as SDL uses it.
struct X11Transfers {
    explicit X11Transfers(const SDL_SysWMinfo& info)
        : display(info.info.x11.display),
          selection(display),
          drop(display, info.info.x11.window, selection),
          owner(display, selection.Id()),
          clipboard(XInternAtom(display, "CLIPBOARD", False)) {}
    Display* display;
    SelectionWindow selection;
    DropTarget drop;
    SelectionOwner owner;  // the clipboard's text when we copied, offered from our own window
    Atom clipboard;
};

// Clipboards of any size give at least this much, which holds their first line.
constexpr size_t ClipboardLimit = size_t{16} << 20;

std::shared_ptr<X11Transfers> MakeX11Transfers(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return nullptr;
    // Peers may name windows that are gone; no error of theirs may end the program.
    InstallXErrorHandler();
    return std::make_shared<X11Transfers>(info);
}

std::optional<std::vector<std::string>> DroppedFilesOf(SdlWindow& w, const SDL_SysWMmsg* message) {
    if (!w.transfers || !message || message->subsystem != SDL_SYSWM_X11) return std::nullopt;
    return w.transfers->drop.Handle(message->msg.x11.event);
}

bool AnswerSelectionEvent(SdlWindow& w, const SDL_SysWMmsg* message) {
    if (!w.transfers || !message || message->subsystem != SDL_SYSWM_X11) return false;
    return w.transfers->owner.Handle(message->msg.x11.event);
}

std::string ReadClipboardText(SdlWindow& w) {
    if (!w.transfers) return {};
    X11Transfers& t = *w.transfers;
    // Our own copy is read here: asking the server would wait for ourselves to answer.
    if (std::optional<std::string> own = t.owner.Offered(t.clipboard)) return *own;
    return t.selection.Read(t.clipboard, XInternAtom(t.display, "UTF8_STRING", False), CurrentTime,
                            ClipboardLimit);
}

void OfferClipboardText(SdlWindow& w, const std::string& text) {
    if (w.transfers) w.transfers->owner.Offer(w.transfers->clipboard, text);
}

}  // namespace screen_internal
