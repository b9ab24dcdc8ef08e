#include "gui/frame_regulator.h"

#include <cmath>

#include "screen/screen.h"

namespace {

void SleepPlain(int32_t ms) {
    SleepMs(ms, 1);
}

}  // namespace

FrameRegulator::FrameRegulator(int32_t framesPerSecond)
    : FramesPerSecond(framesPerSecond), Clock(Timer), Sleep(SleepPlain) {}

void Regulate(FrameRegulator& regulator) {
    // A rate of 0 or below cannot be divided by; such a regulator does not pace at all.
    if (regulator.LastTime > 0 && regulator.FramesPerSecond > 0) {
        const double elapsed = regulator.Clock() - regulator.LastTime;
        const double rate = regulator.FramesPerSecond;
        // Whole numbers kept in doubles: truncating the quotient is the integer division, and a
        // clock that jumped far ahead cannot overflow anything.
        const double left = std::floor(1000.0 - elapsed * 1000.0 * rate);
        regulator.SleepTime = std::trunc(left / rate);
        if (regulator.SleepTime > 0) regulator.Sleep(static_cast<int32_t>(regulator.SleepTime));
    }
    regulator.LastTime = regulator.Clock();
}

void SetFramesPerSecond(FrameRegulator& regulator, int32_t framesPerSecond) {
    regulator.FramesPerSecond = framesPerSecond;
}
