// Holds a loop at a fixed number of frames per second by sleeping away what is left of each frame.
#pragma once

#include <cstdint>
#include <functional>

struct FrameRegulator {
    explicit FrameRegulator(int32_t framesPerSecond);

    // The last computed sleep in milliseconds.
    double SleepTime = 0;
    // The clock, in seconds, at the end of the previous Regulate; 0 = never regulated.
    double LastTime = 0;
    int32_t FramesPerSecond;
    // Where the time comes from and how to wait (milliseconds, never cut short by keys). The
    // screen layer's clock and sleep unless a test puts its own in.
    std::function<double()> Clock;
    std::function<void(int32_t)> Sleep;
};

// Sleeps the frame period less the time spent since the previous call. A late frame gets no
// sleep and its debt is forgotten; the first call only stamps the time.
void Regulate(FrameRegulator& regulator);
void SetFramesPerSecond(FrameRegulator& regulator, int32_t framesPerSecond);
