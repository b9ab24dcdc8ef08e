// The receiving side of drag and drop on X (the XDND protocol) for one window: it says the
// window takes drops, accepts whatever offers a URI list, fetches that list when dropped and
// makes paths of it by the project's own rules (uri_list.h). Include only in the window back
// end's source file, after the window-system header.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <vector>

#include "screen/x11/selection.h"

namespace screen_internal {

class DropTarget {
public:
    DropTarget(Display* display, Window window, SelectionWindow& selection);

    // Answers an XDND message for the window; the dropped paths (perhaps none) once a drop has
    // been fetched, nothing for every other event. A source that is gone (or never was) when it
    // is answered ends its drag: a drop it started gives nothing.
    std::optional<std::vector<std::string>> Handle(const XEvent& event);

private:
    bool Reply(Atom type, long accepted);
    std::vector<std::string> Fetch(Time time);

    Display* display_;
    Window window_;
    SelectionWindow& selection_;
    Window source_ = None;
    struct {
        Atom aware, enter, position, status, leave, drop, finished, selection, uriList, copy;
    } atoms_;
};

}  // namespace screen_internal
