#include "screen/x11/frame_extents.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <memory>

namespace {

constexpr auto AnswerTimeout = std::chrono::seconds(1);

struct XFreer {
    void operator()(unsigned char* data) const { XFree(data); }
};

// The CARDINAL or ATOM list of a window property; empty when it has none of 32 bits.
std::unique_ptr<unsigned char, XFreer> ReadLongs(Display* display, Window window, Atom property,
                                                 Atom type, unsigned long& count) {
    Atom actual = None;
    int format = 0;
    unsigned long after = 0;
    unsigned char* raw = nullptr;
    count = 0;
    if (XGetWindowProperty(display, window, property, 0, 1024, False, type, &actual, &format,
                           &count, &after, &raw) != Success)
        return nullptr;
    std::unique_ptr<unsigned char, XFreer> data(raw);
    if (actual != type || format != 32) count = 0;
    return data;
}

// Whether the running window manager lists `what` among the hints it supports.
bool Supported(Display* display, Atom what) {
    unsigned long count = 0;
    const auto data = ReadLongs(display, DefaultRootWindow(display),
                                XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, count);
    // Xlib hands 32-bit properties as longs.
    const auto* atoms = reinterpret_cast<const long*>(data.get());
    for (unsigned long i = 0; i < count; ++i)
        if (static_cast<Atom>(atoms[i]) == what) return true;
    return false;
}

bool WaitForProperty(Display* display, Window window, Atom property) {
    const auto deadline = std::chrono::steady_clock::now() + AnswerTimeout;
    for (;;) {
        XEvent event;
        while (XCheckTypedWindowEvent(display, window, PropertyNotify, &event))
            if (event.xproperty.atom == property) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        ::poll(&connection, 1, static_cast<int>(left.count()));
    }
}

FrameExtents ExtentsOf(Display* display, Window window, Atom property) {
    unsigned long count = 0;
    const auto data = ReadLongs(display, window, property, XA_CARDINAL, count);
    if (count < 4) return {};
    const auto* values = reinterpret_cast<const long*>(data.get());
    const auto side = [&](int i) { return static_cast<int32_t>(values[i] < 0 ? 0 : values[i]); };
    return {side(0), side(1), side(2), side(3)};
}

}  // namespace

FrameExtents RequestFrameExtents(Display* display) {
    const Atom request = XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False);
    if (!Supported(display, request)) return {};
    const Atom extents = XInternAtom(display, "_NET_FRAME_EXTENTS", False);
    const Window root = DefaultRootWindow(display);
    // Never mapped: it only stands for the window about to be made.
    const Window probe = XCreateSimpleWindow(display, root, 0, 0, 64, 64, 0, 0, 0);
    XSelectInput(display, probe, PropertyChangeMask);
    XEvent ask{};
    ask.xclient.type = ClientMessage;
    ask.xclient.window = probe;
    ask.xclient.message_type = request;
    ask.xclient.format = 32;
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ask);
    XFlush(display);
    const FrameExtents frame = WaitForProperty(display, probe, extents)
                                   ? ExtentsOf(display, probe, extents)
                                   : FrameExtents{};
    XDestroyWindow(display, probe);
    XFlush(display);
    return frame;
}
