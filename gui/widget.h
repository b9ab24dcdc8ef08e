// What every widget kind shares: the event callback, an owning image handle and the fatal
// construction error.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "screen/screen.h"

// A widget's event: called with the widget's identifier (a button's ButtID, a check box's text,
// a radio group's ID, a list element's ID).
using WidgetEvent = std::function<void(const std::string&)>;

struct ImageDestroyer {
    void operator()(ImageBuffer* image) const { DestroyImage(image); }
};
// An ImageBuffer owned by a widget; null when it could not be made.
using ImagePtr = std::unique_ptr<ImageBuffer, ImageDestroyer>;

// Drops what was typed before a text widget got the focus: reads keys, 10 ms apart, up to and
// including the first that is not a single character (none left, or an extended key).
void FlushTypedKeys();

// How a fatal construction error waits before the program ends.
enum class FatalWait {
    ForSecondKey,    // WaitKey, then SleepMs(-1): a further key press
    ForHalfASecond,  // WaitKey, then half a second that no key cuts short
};

// Clears the screen, prints `line` to the program's text output, waits for a key as `wait` says
// and ends the program with exit status -1. Without an open screen the message only reaches
// standard error and no key could ever arrive, so it ends at once instead of waiting forever.
[[noreturn]] void EndWithFatalError(std::string_view line,
                                    FatalWait wait = FatalWait::ForSecondKey);
