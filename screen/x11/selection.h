// Reading an X selection (the clipboard, a drop's data) through Xlib on the window thread, in
// one piece or by the incremental transfer (INCR) that owners use for large data, up to a limit.
// Include only in the window back end's source file, after the window-system header: Xlib's
// macros clash with names of this layer.
#pragma once

#include <X11/Xlib.h>

#include <cstddef>
#include <string>

namespace screen_internal {

// A window of our own that selections are converted to, so that their events and properties
// meet no other code's.
class SelectionWindow {
public:
    explicit SelectionWindow(Display* display);
    ~SelectionWindow();
    SelectionWindow(const SelectionWindow&) = delete;
    SelectionWindow& operator=(const SelectionWindow&) = delete;

    // The selection's data as `target`, at most `limit` bytes of it (the rest is not fetched);
    // empty when it has no owner, the owner refuses the target, stops answering or gives the
    // selection up (a drag source that quit), also part way through: a part is not what was
    // offered.
    std::string Read(Atom selection, Atom target, Time time, size_t limit);
    Window Id() const { return window_; }

private:
    void ForgetPropertyEvents();
    bool WaitFor(XEvent& event, int type);
    bool OwnerGone() const;
    std::string ReadIncrementally(size_t limit);

    Display* display_;
    Window window_;
    Atom property_;
    Atom incremental_;
    Atom selection_ = None;  // the one being read, and the window that owned it when asked
    Window owner_ = None;
};

}  // namespace screen_internal
