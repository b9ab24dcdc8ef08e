// The owning side of an X selection: text this program offers as the clipboard's, handed to
// whoever asks (as UTF-8) until another program takes the selection. Requests arrive as events
// for our own window; a requestor that has gone meanwhile is not answered. Include only in the
// window back end's X11 units, after the window-system header.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>

namespace screen_internal {

class SelectionOwner {
public:
    // Owns selections through `window`, a window of ours that no other code answers for.
    SelectionOwner(Display* display, Window window);

    // Takes `selection` and offers `text` through it; false when the server gave it to no one.
    bool Offer(Atom selection, std::string text);
    // What we offer through `selection`, while we still own it.
    std::optional<std::string> Offered(Atom selection) const;
    // Answers a request for, or the loss of, our selection; false for other events.
    bool Handle(const XEvent& event);

private:
    void Answer(const XSelectionRequestEvent& request);
    bool Provide(const XSelectionRequestEvent& request, Atom property);

    Display* display_;
    Window window_;
    Atom selection_ = None;  // the one we own, None when we own none
    std::string text_;
    struct {
        Atom targets, utf8, text, plain;
    } atoms_;
};

}  // namespace screen_internal
