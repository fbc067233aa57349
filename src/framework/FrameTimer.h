// Process-wide stopwatch in float seconds, with pauses cut out of application time.
#pragma once

#include "platform/kernel/WinTypes.h"

enum TimerCommand : DWORD {
    TimerStart = 1,
    TimerStop = 2,
    TimerAbsolute = 4,
    TimerAppTime = 5,
    TimerElapsed = 6,
};

float FrameTimer(TimerCommand command);
// The same in double seconds: a clock left running for weeks keeps its
// fractions of a second, which a float of seconds loses after days.
double FrameTimerSeconds(TimerCommand command);

namespace frame_timer_hooks {
// Forgets everything, so the next call decides again between the counter and
// the millisecond clock.
void Reset();
}  // namespace frame_timer_hooks
