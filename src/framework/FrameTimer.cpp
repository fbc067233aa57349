#include "framework/FrameTimer.h"

#include "platform/kernel/Kernel.h"

namespace {

struct TimerState {
    BOOL initialised = FALSE;
    BOOL usesCounter = FALSE;
    LONGLONG ticksPerSecond = 0;
    LONGLONG stopTime = 0;
    LONGLONG lastElapsedTime = 0;
    LONGLONG baseTime = 0;
    double stopTimeMs = 0.0;
    double lastElapsedTimeMs = 0.0;
    double baseTimeMs = 0.0;
    BOOL stopped = TRUE;
};

TimerState g_timer;

double CounterCommand(TimerCommand command) {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const LONGLONG now = counter.QuadPart;
    const auto perSecond = static_cast<double>(g_timer.ticksPerSecond);
    switch (command) {
        case TimerElapsed: {
            double elapsed = static_cast<double>(now - g_timer.lastElapsedTime) / perSecond;
            g_timer.lastElapsedTime = now;
            return elapsed;
        }
        case TimerAppTime:
            return static_cast<double>(now - g_timer.baseTime) / perSecond;
        case TimerStart:
            if (g_timer.stopped) {
                g_timer.baseTime += now - g_timer.stopTime;
            }
            g_timer.stopTime = 0;
            g_timer.lastElapsedTime = now;
            g_timer.stopped = FALSE;
            return 0.0;
        case TimerStop:
            g_timer.stopTime = now;
            g_timer.lastElapsedTime = now;
            g_timer.stopped = TRUE;
            return 0.0;
        case TimerAbsolute:
            return static_cast<double>(now) / perSecond;
    }
    return -1.0;
}

double FallbackCommand(TimerCommand command) {
    const double now = timeGetTime() * 0.001;
    switch (command) {
        case TimerElapsed: {
            double elapsed = now - g_timer.lastElapsedTimeMs;
            g_timer.lastElapsedTimeMs = now;
            return elapsed;
        }
        case TimerAppTime:
            return now - g_timer.baseTimeMs;
        case TimerStart:
            if (g_timer.stopped) {
                g_timer.baseTimeMs += now - g_timer.stopTimeMs;
            }
            g_timer.stopTimeMs = 0.0;
            g_timer.lastElapsedTimeMs = now;
            g_timer.stopped = FALSE;
            return 0.0;
        case TimerStop:
            g_timer.stopTimeMs = now;
            g_timer.lastElapsedTimeMs = now;
            g_timer.stopped = TRUE;
            return 0.0;
        case TimerAbsolute:
            return now;
    }
    return -1.0;
}

}  // namespace

float FrameTimer(TimerCommand command) {
    return static_cast<float>(FrameTimerSeconds(command));
}

double FrameTimerSeconds(TimerCommand command) {
    if (!g_timer.initialised) {
        g_timer.initialised = TRUE;
        LARGE_INTEGER frequency{};
        if (QueryPerformanceFrequency(&frequency) && frequency.QuadPart > 0) {
            g_timer.usesCounter = TRUE;
            g_timer.ticksPerSecond = frequency.QuadPart;
        }
    }
    return g_timer.usesCounter ? CounterCommand(command) : FallbackCommand(command);
}

namespace frame_timer_hooks {
void Reset() {
    g_timer = TimerState{};
}
}  // namespace frame_timer_hooks
