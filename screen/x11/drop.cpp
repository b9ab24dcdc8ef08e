#include "screen/x11/drop.h"

#include <X11/Xatom.h>

#include "base/uri_list.h"
#include "screen/x11/x_errors.h"

namespace screen_internal {

namespace {

constexpr long XdndVersion = 5;
// A list of ten thousand files fits many times over; more is not fetched.
constexpr size_t UriListLimit = size_t{16} << 20;

}  // namespace

DropTarget::DropTarget(Display* display, Window window, SelectionWindow& selection)
    : display_(display), window_(window), selection_(selection) {
    const auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    atoms_ = {atom("XdndAware"),     atom("XdndEnter"),     atom("XdndPosition"),
              atom("XdndStatus"),    atom("XdndLeave"),     atom("XdndDrop"),
              atom("XdndFinished"),  atom("XdndSelection"), atom("text/uri-list"),
              atom("XdndActionCopy")};
    const long version = XdndVersion;
    XChangeProperty(display_, window_, atoms_.aware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
}

// XdndStatus (accepted: 1 takes the drop, 0 refuses it) or XdndFinished to the source; false
// when the source is not there to take it.
bool DropTarget::Reply(Atom type, long accepted) {
    XErrorTrap trap(display_);
    XEvent reply{};
    reply.xclient.type = ClientMessage;
    reply.xclient.window = source_;
    reply.xclient.message_type = type;
    reply.xclient.format = 32;
    reply.xclient.data.l[0] = static_cast<long>(window_);
    reply.xclient.data.l[1] = accepted;
    reply.xclient.data.l[type == atoms_.status ? 4 : 2] =
        accepted ? static_cast<long>(atoms_.copy) : None;
    XSendEvent(display_, source_, False, NoEventMask, &reply);
    return !trap.Failed();
}

std::vector<std::string> DropTarget::Fetch(Time time) {
    const std::string list = selection_.Read(atoms_.selection, atoms_.uriList, time, UriListLimit);
    return LocalPathsOfUriList(list, ThisHostName());
}

std::optional<std::vector<std::string>> DropTarget::Handle(const XEvent& event) {
    if (event.type != ClientMessage || event.xclient.window != window_) return std::nullopt;
    const XClientMessageEvent& message = event.xclient;
    const Atom type = message.message_type;
    if (type == atoms_.enter || type == atoms_.leave) {
        source_ = type == atoms_.enter ? static_cast<Window>(message.data.l[0]) : None;
    } else if (type == atoms_.position && static_cast<Window>(message.data.l[0]) == source_) {
        if (!Reply(atoms_.status, 1)) source_ = None;
    } else if (type == atoms_.drop && static_cast<Window>(message.data.l[0]) == source_) {
        std::vector<std::string> paths = Fetch(static_cast<Time>(message.data.l[2]));
        const bool finished = Reply(atoms_.finished, paths.empty() ? 0 : 1);
        source_ = None;
        return finished ? paths : std::vector<std::string>();
    }
    return std::nullopt;
}

}  // namespace screen_internal
