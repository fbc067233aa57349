#include "platform/dmusic/MusicClock.h"

#include <chrono>

#include "platform/dmusic/DMusic.h"

namespace {
double (*g_clockHook)() = nullptr;
}

namespace dmusic_hooks {
void SetClock(double (*fn)()) {
    g_clockHook = fn;
}
}  // namespace dmusic_hooks

double MusicClock::Now() {
    if (g_clockHook != nullptr) {
        return g_clockHook();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
