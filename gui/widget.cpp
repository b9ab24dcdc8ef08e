#include "gui/widget.h"

#include <cstdlib>

void FlushTypedKeys() {
    for (;;) {
        const std::string key = ReadKey();
        SleepMs(10);
        if (key.size() != 1) return;
    }
}

void EndWithFatalError(std::string_view line, FatalWait wait) {
    if (ScreenIsOpen()) {
        ClearScreen();
        PrintLine(line);
        WaitKey();
        if (wait == FatalWait::ForSecondKey) {
            SleepMs(-1);
        } else {
            SleepMs(500, 1);
        }
    } else {
        PrintLine(line);
    }
    std::exit(-1);
}
