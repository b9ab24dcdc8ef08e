#include "screen/x11/x_errors.h"

namespace screen_internal {

namespace {

// The trap of this thread's requests, innermost first; the window thread makes them all.
thread_local XErrorTrap* t_trap = nullptr;

}  // namespace

// An error of a trapped request is noted; any other is let pass.
int RecordXError(Display* display, XErrorEvent* /*error*/) {
    for (XErrorTrap* trap = t_trap; trap; trap = trap->outer_) {
        if (trap->display_ == display) {
            trap->failed_ = true;
            break;
        }
    }
    return 0;
}

void InstallXErrorHandler() {
    XSetErrorHandler(RecordXError);
}

XErrorTrap::XErrorTrap(Display* display)
    : display_(display), outer_(t_trap), previousHandler_(XSetErrorHandler(RecordXError)) {
    XSync(display_, False);  // errors of earlier requests are not this trap's
    t_trap = this;
}

XErrorTrap::~XErrorTrap() {
    XSync(display_, False);
    t_trap = outer_;
    XSetErrorHandler(previousHandler_);
}

bool XErrorTrap::Failed() {
    XSync(display_, False);
    return failed_;
}

}  // namespace screen_internal
