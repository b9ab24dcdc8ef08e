#include "screen/x11/selection.h"

#include <X11/Xatom.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <memory>

namespace screen_internal {

namespace {

// How long an owner may take for each answer; one that takes longer has gone away.
constexpr auto AnswerTime = std::chrono::seconds(3);
// How often a wait looks whether the owner is still there: one that quit never answers, and the
// window thread (and the program's frames with it) waits for nothing meanwhile.
constexpr auto OwnerCheckPeriod = std::chrono::milliseconds(50);

struct Wanted {
    Window window;
    Atom property;
    int type;
};

Bool IsWanted(Display* /*display*/, XEvent* event, XPointer wanted) {
    const auto& w = *reinterpret_cast<const Wanted*>(wanted);
    if (event->type != w.type || event->xany.window != w.window) return False;
    if (w.type == SelectionNotify) return True;
    return event->xproperty.atom == w.property && event->xproperty.state == PropertyNewValue;
}

struct Property {
    Atom type = None;
    std::string bytes;
};

// The property's bytes; deleting it asks an incremental owner for its next piece.
Property ReadProperty(Display* display, Window window, Atom property, size_t limit, bool remove) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const long longs = static_cast<long>((limit + 3) / 4);
    if (XGetWindowProperty(display, window, property, 0, longs, remove, AnyPropertyType, &type,
                           &format, &items, &after, &data) != Success)
        return {};
    const std::unique_ptr<unsigned char, int (*)(void*)> owned(data, XFree);
    const size_t bytes = format == 8 ? items : 0;  // text comes in 8-bit items
    return {type,
            std::string(reinterpret_cast<const char*>(data), data ? std::min(bytes, limit) : 0)};
}

}  // namespace

SelectionWindow::SelectionWindow(Display* display)
    : display_(display),
      window_(XCreateSimpleWindow(display, DefaultRootWindow(display), -10, -10, 1, 1, 0, 0, 0)),
      property_(XInternAtom(display, "PIXELTOOLS_SELECTION", False)),
      incremental_(XInternAtom(display, "INCR", False)) {
    XSelectInput(display_, window_, PropertyChangeMask);
}

SelectionWindow::~SelectionWindow() {
    XDestroyWindow(display_, window_);
    XFlush(display_);
}

// The selection has another owner than the one asked (none, when it quit).
bool SelectionWindow::OwnerGone() const {
    return XGetSelectionOwner(display_, selection_) != owner_;
}

// Takes the next event of `type` for our window out of the queue, before SDL sees it.
bool SelectionWindow::WaitFor(XEvent& event, int type) {
    using Clock = std::chrono::steady_clock;
    Wanted wanted{window_, property_, type};
    const auto deadline = Clock::now() + AnswerTime;
    auto ownerCheck = Clock::now() + OwnerCheckPeriod;
    for (;;) {
        if (XCheckIfEvent(display_, &event, IsWanted, reinterpret_cast<XPointer>(&wanted)))
            return true;
        const auto now = Clock::now();
        if (now >= deadline) return false;
        if (now >= ownerCheck) {
            if (OwnerGone()) return false;
            ownerCheck = now + OwnerCheckPeriod;
        }
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(std::min(deadline, ownerCheck) - now);
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&connection, 1, static_cast<int>(wait.count()));
    }
}

// Property events of our window so far: the answer's own, or pieces of an earlier transfer that
// we stopped asking for, are no piece of what comes next.
void SelectionWindow::ForgetPropertyEvents() {
    XSync(display_, False);
    XEvent stale;
    while (XCheckWindowEvent(display_, window_, PropertyChangeMask, &stale)) {
    }
}

std::string SelectionWindow::Read(Atom selection, Atom target, Time time, size_t limit) {
    selection_ = selection;
    owner_ = XGetSelectionOwner(display_, selection);
    if (owner_ == None) return {};
    ForgetPropertyEvents();
    XDeleteProperty(display_, window_, property_);
    XConvertSelection(display_, selection, target, property_, window_, time);
    XEvent event;
    if (!WaitFor(event, SelectionNotify) || event.xselection.property == None) return {};
    const Property first = ReadProperty(display_, window_, property_, limit, false);
    if (first.type != incremental_) {
        XDeleteProperty(display_, window_, property_);
        return first.bytes;
    }
    ForgetPropertyEvents();
    XDeleteProperty(display_, window_, property_);  // asks for the first piece
    return ReadIncrementally(limit);
}

// The owner puts piece after piece into the property, each once we deleted the one before, and
// ends with an empty one. Past the limit we stop asking; an owner that stops answering before its
// end gave nothing.
std::string SelectionWindow::ReadIncrementally(size_t limit) {
    std::string bytes;
    XEvent event;
    while (bytes.size() < limit) {
        if (!WaitFor(event, PropertyNotify)) return {};
        const Property piece =
            ReadProperty(display_, window_, property_, limit - bytes.size(), true);
        if (piece.bytes.empty()) break;
        bytes += piece.bytes;
    }
    return bytes;
}

}  // namespace screen_internal
