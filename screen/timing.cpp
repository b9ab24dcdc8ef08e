// The clock and waiting.
#include <chrono>
#include <mutex>
#include <thread>

#include "screen/screen_state.h"

using namespace screen_internal;

namespace {

void Sleep(int32_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

constexpr int32_t PollSlice = 50;

}  // namespace

double Timer() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

int32_t SleepMs(int32_t ms, int32_t plain) {
    {
        // The input lock only picks the implementation; the sleep itself runs without it.
        std::lock_guard inputLock(InputMutex());
        if (plain != 0 && plain != 1) return 1;
    }
    if (plain == 1 || (ms >= 0 && ms < 100)) {
        Sleep(ms);
        return 0;
    }
    if (ms == -1) {
        while (ScreenIsOpen() && !PollKeyPressed()) Sleep(PollSlice);
        return 0;
    }
    if (ms < 0) return 0;
    do {
        if (PollKeyPressed()) return 0;
        Sleep(PollSlice);
        ms -= PollSlice;
    } while (ms > PollSlice);
    Sleep(ms);
    return 0;
}
