// Shared by the sound tests: a performance mixed by hand on a clock the test
// sets, so plays and waits are counted in frames instead of waited for.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/dmusic/DMusic.h"

class ManualMixing : public ::testing::Test {
protected:
    static constexpr int kRate = dmusic_hooks::kMixRate;
    // The clock reads this when the sound device opens: beats count from here.
    static constexpr double kStart = 50.0;

    void SetUp() override;
    void TearDown() override;

    static void SetClock(double seconds);
    // Interleaved stereo, as the sound device would take it.
    static std::vector<std::int16_t> Mix(IDirectMusicPerformance8* pPerformance, int frames);
    // The first frame with any sound, or the frame count when all is silent.
    static std::size_t FirstSound(const std::vector<std::int16_t>& samples);
};

// Makes the sound device unavailable, as on a machine without a sound card.
class ScopedNoSoundDevice {
public:
    ScopedNoSoundDevice();
    ~ScopedNoSoundDevice();
    ScopedNoSoundDevice(const ScopedNoSoundDevice&) = delete;
    ScopedNoSoundDevice& operator=(const ScopedNoSoundDevice&) = delete;

private:
    std::string m_saved;
    bool m_bHadValue;
};
