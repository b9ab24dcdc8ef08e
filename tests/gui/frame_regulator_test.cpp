#include "gui/frame_regulator.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that moves only when the test works or the regulator sleeps.
struct FakeTime {
    double now = 100.0;
    std::vector<int32_t> sleeps;

    void Attach(FrameRegulator& regulator) {
        regulator.Clock = [this] { return now; };
        regulator.Sleep = [this](int32_t ms) {
            sleeps.push_back(ms);
            now += ms / 1000.0;
        };
    }
    void Work(double ms) { now += ms / 1000.0; }
};

TEST(FrameRegulatorTest, FirstCallOnlyStampsTheTime) {
    FrameRegulator regulator(60);
    FakeTime time;
    time.Attach(regulator);
    EXPECT_EQ(regulator.LastTime, 0.0);

    Regulate(regulator);

    EXPECT_TRUE(time.sleeps.empty());
    EXPECT_EQ(regulator.LastTime, 100.0);
}

TEST(FrameRegulatorTest, SleepsWhatIsLeftOfTheFrameAndStampsAfterTheSleep) {
    FrameRegulator regulator(60);
    FakeTime time;
    time.Attach(regulator);
    Regulate(regulator);

    time.Work(2);  // floor(1000 - 120) = 880, 880 / 60 = 14
    Regulate(regulator);

    EXPECT_EQ(time.sleeps, std::vector<int32_t>{14});
    EXPECT_EQ(regulator.SleepTime, 14.0);
    EXPECT_DOUBLE_EQ(regulator.LastTime, 100.016);
}

TEST(FrameRegulatorTest, LateFrameGetsNoSleepAndItsDebtIsForgotten) {
    FrameRegulator regulator(60);
    FakeTime time;
    time.Attach(regulator);
    Regulate(regulator);

    time.Work(20);  // floor(1000 - 1200) = -200, truncated toward zero: -3
    Regulate(regulator);
    EXPECT_TRUE(time.sleeps.empty());
    EXPECT_EQ(regulator.SleepTime, -3.0);

    time.Work(2);
    Regulate(regulator);
    EXPECT_EQ(time.sleeps, std::vector<int32_t>{14});
}

TEST(FrameRegulatorTest, NewRateChangesTheSleep) {
    FrameRegulator regulator(60);
    FakeTime time;
    time.Attach(regulator);
    SetFramesPerSecond(regulator, 20);
    EXPECT_EQ(regulator.FramesPerSecond, 20);
    Regulate(regulator);

    time.Work(10.5);  // floor(1000 - 210) = 790, 790 / 20 = 39
    Regulate(regulator);

    EXPECT_EQ(time.sleeps, std::vector<int32_t>{39});
}

TEST(FrameRegulatorTest, RateOfZeroDoesNotPaceInsteadOfDividingByZero) {
    FrameRegulator regulator(60);
    FakeTime time;
    time.Attach(regulator);
    Regulate(regulator);
    SetFramesPerSecond(regulator, 0);

    time.Work(2);
    Regulate(regulator);

    EXPECT_TRUE(time.sleeps.empty());
    EXPECT_DOUBLE_EQ(regulator.LastTime, 100.002);
}

TEST(FrameRegulatorTest, RealClockHoldsSixtyFramesPerSecond) {
    FrameRegulator regulator(60);
    Regulate(regulator);
    const double start = regulator.LastTime;
    for (int frame = 0; frame < 6; ++frame) Regulate(regulator);
    // Six frames of 16 ms each, give or take a busy machine's scheduling.
    EXPECT_GE(regulator.LastTime - start, 0.090);
    EXPECT_LT(regulator.LastTime - start, 0.5);
}

}  // namespace
