// X errors without an end to the program. Xlib's own handler ends the process on any error, and
// errors come from peers we cannot vouch for: a drag source or clipboard owner that names a window
// which does not exist, or quits while we answer it. The window engine installs a handler that
// lets every error pass; a trap around our own requests to such peers tells whether they failed.
// Include only in the window back end's X11 units, after the window-system header.
#pragma once

#include <X11/Xlib.h>

namespace screen_internal {

// Makes X errors harmless for the whole process from now on. Called when a window opens.
void InstallXErrorHandler();

// Catches the errors of the requests this thread makes on `display` while it lives. GTK replaces
// the process's handler when its dialogs first open, so the trap installs ours for its span and
// gives the previous one back.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* display);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

    // Waits for the server to answer everything asked so far; whether any of it failed.
    bool Failed();

private:
    friend int RecordXError(Display* display, XErrorEvent* error);
    Display* display_;
    XErrorTrap* outer_;
    int (*previousHandler_)(Display*, XErrorEvent*);
    bool failed_ = false;
};

}  // namespace screen_internal
