#include "screen/x11/selection_owner.h"

#include <X11/Xatom.h>

#include <cstddef>
#include <utility>

#include "screen/x11/x_errors.h"

namespace screen_internal {

namespace {

// What one request can carry; the clipboard's text is a field's, far below it. Larger text is
// refused rather than sent in pieces.
size_t LargestProperty(Display* display) {
    long units = XExtendedMaxRequestSize(display);
    if (units == 0) units = XMaxRequestSize(display);
    return static_cast<size_t>(units) * 4 - 1024;
}

}  // namespace

SelectionOwner::SelectionOwner(Display* display, Window window)
    : display_(display), window_(window) {
    const auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    atoms_ = {atom("TARGETS"), atom("UTF8_STRING"), atom("TEXT"), atom("text/plain;charset=utf-8")};
}

bool SelectionOwner::Offer(Atom selection, std::string text) {
    XSetSelectionOwner(display_, selection, window_, CurrentTime);
    if (XGetSelectionOwner(display_, selection) != window_) return false;
    selection_ = selection;
    text_ = std::move(text);
    return true;
}

std::optional<std::string> SelectionOwner::Offered(Atom selection) const {
    if (selection_ == None || selection != selection_) return std::nullopt;
    if (XGetSelectionOwner(display_, selection) != window_) return std::nullopt;
    return text_;
}

bool SelectionOwner::Handle(const XEvent& event) {
    if (event.type == SelectionClear && event.xselectionclear.window == window_) {
        if (event.xselectionclear.selection == selection_) {
            selection_ = None;
            text_.clear();
        }
        return true;
    }
    if (event.type != SelectionRequest || event.xselectionrequest.owner != window_) return false;
    Answer(event.xselectionrequest);
    return true;
}

// Puts what the request asks for into the requestor's property: the list of targets, or the text.
bool SelectionOwner::Provide(const XSelectionRequestEvent& request, Atom property) {
    if (request.selection != selection_) return false;
    if (request.target == atoms_.targets) {
        const Atom targets[] = {atoms_.targets, atoms_.utf8, atoms_.text, atoms_.plain};
        XChangeProperty(display_, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(targets), 4);
        return true;
    }
    const bool text = request.target == atoms_.utf8 || request.target == atoms_.text ||
                      request.target == atoms_.plain;
    if (!text || text_.size() > LargestProperty(display_)) return false;
    XChangeProperty(display_, request.requestor, property,
                    request.target == atoms_.plain ? atoms_.plain : atoms_.utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(text_.data()),
                    static_cast<int>(text_.size()));
    return true;
}

void SelectionOwner::Answer(const XSelectionRequestEvent& request) {
    // Old requestors name no property: the target is the property then.
    const Atom property = request.property != None ? request.property : request.target;
    XErrorTrap trap(display_);  // the requestor may be gone already
    XEvent reply{};
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    reply.xselection.property = Provide(request, property) ? property : None;
    XSendEvent(display_, request.requestor, False, NoEventMask, &reply);
}

}  // namespace screen_internal
