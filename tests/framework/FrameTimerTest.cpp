#include "framework/FrameTimer.h"

#include <gtest/gtest.h>

#include "platform/kernel/Kernel.h"

namespace {

// A counter at 1000 ticks per second that the test moves by hand.
LONGLONG g_ticks = 0;
DWORD g_milliseconds = 0;

BOOL FakeFrequency(LARGE_INTEGER* frequency) {
    frequency->QuadPart = 1000;
    return TRUE;
}
BOOL NoCounter(LARGE_INTEGER*) {
    return FALSE;
}
BOOL FakeCounter(LARGE_INTEGER* count) {
    count->QuadPart = g_ticks;
    return TRUE;
}
DWORD FakeMilliseconds() {
    return g_milliseconds;
}

class FrameTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_ticks = 100000;
        g_milliseconds = 50000;
        frame_timer_hooks::Reset();
        kernel_hooks::SetPerformanceCounter(FakeFrequency, FakeCounter);
        kernel_hooks::SetTimeGetTime(FakeMilliseconds);
    }
    void TearDown() override {
        kernel_hooks::SetPerformanceCounter(nullptr, nullptr);
        kernel_hooks::SetTimeGetTime(nullptr);
        frame_timer_hooks::Reset();
    }
    // Moves whichever clock the timer uses by the same amount.
    static void Advance(int milliseconds) {
        g_ticks += milliseconds;
        g_milliseconds += static_cast<DWORD>(milliseconds);
    }
};

TEST_F(FrameTimerTest, ApplicationAndElapsedTimeLeaveOutTheStoppedIntervals) {
    EXPECT_EQ(FrameTimer(TimerStart), 0.0f);
    Advance(16);
    EXPECT_FLOAT_EQ(FrameTimer(TimerElapsed), 0.016f);
    Advance(20);
    EXPECT_FLOAT_EQ(FrameTimer(TimerElapsed), 0.020f) << "from the previous query";
    Advance(964);
    EXPECT_FLOAT_EQ(FrameTimer(TimerAppTime), 1.0f);
    EXPECT_EQ(FrameTimer(TimerStop), 0.0f);
    Advance(5000);  // paused
    FrameTimer(TimerStart);
    Advance(250);
    FrameTimer(TimerStop);
    Advance(3000);  // paused again
    FrameTimer(TimerStart);
    Advance(10);
    // Measured from the restart, not from the last frame before the pause.
    EXPECT_FLOAT_EQ(FrameTimer(TimerElapsed), 0.010f);
    Advance(740);
    EXPECT_FLOAT_EQ(FrameTimer(TimerAppTime), 2.0f);
}

TEST_F(FrameTimerTest, AbsoluteTimeIsLiveWhileStoppedAndTheClockIsChosenOnce) {
    FrameTimer(TimerStart);
    FrameTimer(TimerStop);
    float before = FrameTimer(TimerAbsolute);
    Advance(2000);
    EXPECT_FLOAT_EQ(FrameTimer(TimerAbsolute) - before, 2.0f);
    EXPECT_FLOAT_EQ(before, 100.0f);  // 100000 ticks at 1000 per second

    // The choice of clock is made once for the process: still the counter.
    kernel_hooks::SetPerformanceCounter(NoCounter, FakeCounter);
    FrameTimer(TimerStart);
    Advance(1000);
    EXPECT_FLOAT_EQ(FrameTimer(TimerAbsolute) - before, 3.0f);
}

TEST_F(FrameTimerTest, WithoutCounterRunsOnMillisecondClock) {
    kernel_hooks::SetPerformanceCounter(NoCounter, FakeCounter);
    FrameTimer(TimerStart);
    g_ticks += 999999;  // the counter must be ignored from now on
    Advance(1234);
    EXPECT_NEAR(FrameTimer(TimerAppTime), 1.234f, 1e-6f);
    FrameTimer(TimerStop);
    Advance(500);
    FrameTimer(TimerStart);
    Advance(6);
    EXPECT_NEAR(FrameTimer(TimerElapsed), 0.006f, 1e-6f);
    EXPECT_NEAR(FrameTimer(TimerAppTime), 1.240f, 1e-6f);
    EXPECT_NEAR(FrameTimer(TimerAbsolute), 50.0f + 1.240f + 0.5f, 1e-4f);
}

}  // namespace
