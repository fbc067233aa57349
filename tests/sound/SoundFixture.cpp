#include "SoundFixture.h"

#include <cstdlib>

namespace {
double g_now = 0.0;
double TestClock() {
    return g_now;
}
}  // namespace

void ManualMixing::SetUp() {
    dmusic_hooks::SetManualMixing(true);
    g_now = kStart;
    dmusic_hooks::SetClock(TestClock);
}

void ManualMixing::TearDown() {
    dmusic_hooks::SetClock(nullptr);
    dmusic_hooks::SetManualMixing(false);
}

void ManualMixing::SetClock(double seconds) {
    g_now = seconds;
}

std::vector<std::int16_t> ManualMixing::Mix(IDirectMusicPerformance8* pPerformance, int frames) {
    std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * dmusic_hooks::kMixChannels, 0x1234);
    EXPECT_EQ(dmusic_hooks::MixFrames(pPerformance, out.data(), frames), S_OK);
    return out;
}

std::size_t ManualMixing::FirstSound(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            return i / dmusic_hooks::kMixChannels;
        }
    }
    return samples.size() / dmusic_hooks::kMixChannels;
}

ScopedNoSoundDevice::ScopedNoSoundDevice() {
    const char* value = std::getenv("SDL_AUDIODRIVER");
    m_bHadValue = value != nullptr;
    m_saved = m_bHadValue ? value : "";
    setenv("SDL_AUDIODRIVER", "velmoran-no-such-driver", 1);
}

ScopedNoSoundDevice::~ScopedNoSoundDevice() {
    if (m_bHadValue) {
        setenv("SDL_AUDIODRIVER", m_saved.c_str(), 1);
    } else {
        unsetenv("SDL_AUDIODRIVER");
    }
}
