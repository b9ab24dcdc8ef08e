// Reads the desktop's work area and scale settings from the X server over a connection of its
// own, so it may run before any window exists and on any one thread at a time.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>

#include "screen/window/desktop.h"
#include "screen/window/window_backend.h"
#include "screen/x11/frame_extents.h"

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

struct XFreer {
    void operator()(unsigned char* data) const { XFree(data); }
};

// _NET_WORKAREA of the first desktop, which window managers keep alike on every desktop; the
// whole screen without one.
void ReadWorkArea(Display* display, Desktop& desktop) {
    const int screen = DefaultScreen(display);
    desktop.width = DisplayWidth(display, screen);
    desktop.height = DisplayHeight(display, screen);
    const Atom workArea = XInternAtom(display, "_NET_WORKAREA", True);
    if (workArea == None) return;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, RootWindow(display, screen), workArea, 0, 4, False, XA_CARDINAL,
                           &type, &format, &count, &after, &raw) != Success)
        return;
    const std::unique_ptr<unsigned char, XFreer> data(raw);
    if (type != XA_CARDINAL || format != 32 || count < 4) return;
    // Xlib hands 32-bit properties as longs.
    const auto* values = reinterpret_cast<const long*>(data.get());
    if (values[2] > 0 && values[3] > 0) {
        desktop.x = static_cast<int32_t>(values[0]);
        desktop.y = static_cast<int32_t>(values[1]);
        desktop.width = static_cast<int32_t>(values[2]);
        desktop.height = static_cast<int32_t>(values[3]);
    }
}

const char* Setting(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

Desktop ReadDesktop() {
    Desktop desktop;
    const std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    int32_t dpi = 0;
    if (display) {
        ReadWorkArea(display.get(), desktop);
        desktop.frame = RequestFrameExtents(display.get());
        if (const char* resources = XResourceManagerString(display.get()))
            dpi = XftDpiOf(resources);
    }
    desktop.scale = DesktopScale(Setting("PIXELTOOLS_SCALE"), Setting("GDK_SCALE"), dpi);
    return desktop;
}

std::string ScaleSettingProblem() {
    return ScaleSettingProblem(Setting("PIXELTOOLS_SCALE"));
}
