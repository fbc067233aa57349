#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "platform/dmusic/DMusic.h"
#include "sound/AlarmSound.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "support/TestSounds.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kNotFound = "couldnt find alarmsoundfile";
constexpr const char* kLoadFailed = "failed to load sound for alarm...";
constexpr int kRate = dmusic_hooks::kMixRate;
// The clock reads this when the sound device opens: beats count from here.
constexpr double kStart = 50.0;

double g_now = kStart;
double TestClock() {
    return g_now;
}

// The first frame with any sound, or the frame count when all is silent.
std::size_t FirstSound(const std::vector<std::int16_t>& samples) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) {
            return i / dmusic_hooks::kMixChannels;
        }
    }
    return samples.size() / dmusic_hooks::kMixChannels;
}

// The program started in a folder of its own; the test puts the sound there.
// The performance is mixed by hand on a clock the test sets, so plays and
// waits are counted in frames instead of waited for.
class AlarmSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        dmusic_hooks::SetManualMixing(true);
        g_now = kStart;
        dmusic_hooks::SetClock(TestClock);
    }
    void TearDown() override {
        Unload();
        dmusic_hooks::SetClock(nullptr);
        dmusic_hooks::SetManualMixing(false);
    }
    void Unload() {
        delete m_pAlarm;
        m_pAlarm = nullptr;
        delete m_pMusic;
        m_pMusic = nullptr;
    }
    // Interleaved stereo, as the sound device would take it.
    std::vector<std::int16_t> Mix(int frames) {
        std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * dmusic_hooks::kMixChannels, 0x1234);
        EXPECT_EQ(dmusic_hooks::MixFrames(m_pMusic->GetPerformance(), out.data(), frames), S_OK);
        return out;
    }

    fs::path SoundFile(const std::string& name) const { return fs::path(m_cwd.Path()) / "Sound" / name; }
    HRESULT LoadAlarm() { return LoadAlarmSound(nullptr, &m_pMusic, &m_pAlarm); }

    // Frames from the start until the alarm falls silent, mixed a block at a
    // time; 0 when it is still sounding after `limit` frames.
    std::size_t FramesUntilSilent(std::size_t limit) {
        const int block = 441;
        for (std::size_t done = 0; done < limit; done += block) {
            if (!m_pAlarm->IsPlaying()) {
                return done;
            }
            Mix(block);
        }
        return 0;
    }

    // Plays the alarm at once and checks it sounds exactly `plays` times `framesPerPlay`.
    void ExpectPlays(int plays, int framesPerPlay) {
        ASSERT_EQ(m_pAlarm->Play(0, nullptr), S_OK);
        std::vector<std::int16_t> out = Mix(plays * framesPerPlay - 1);
        EXPECT_TRUE(m_pAlarm->IsPlaying()) << "ended before play " << plays;
        Mix(1);
        EXPECT_FALSE(m_pAlarm->IsPlaying()) << "still sounding after play " << plays;
        EXPECT_EQ(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate));
        for (int play = 0; play < plays; ++play) {
            auto from = static_cast<std::size_t>(play * framesPerPlay);
            auto to = static_cast<std::size_t>((play + 1) * framesPerPlay - 1);
            EXPECT_LT(FirstSound({out.begin() + static_cast<long>(from * 2), out.begin() + static_cast<long>(to * 2)}),
                      static_cast<std::size_t>(framesPerPlay / 10))
                << "play " << play << " is silent";
        }
    }

    ScopedTempCwd m_cwd;
    MusicManager* m_pMusic = nullptr;
    MusicSegment* m_pAlarm = nullptr;
};

TEST_F(AlarmSoundTest, MidiOrWaveAloneLoadsAndPlaysItsRepeatsThenStopsByItself) {
    // One quarter at 100 a minute: 0.6 s, played twice.
    TestSounds::WriteBytes(SoundFile("AlarmSound.mid"), TestSounds::Midi(480, 600000));
    DebugCapture trace;
    MessageBoxCapture boxes;
    ASSERT_EQ(LoadAlarm(), S_OK);
    ASSERT_NE(m_pAlarm, nullptr);
    EXPECT_TRUE(trace.Contains("loading sound for alarm..."));
    ExpectPlays(2, kRate * 6 / 10);

    Unload();
    fs::remove(SoundFile("AlarmSound.mid"));
    TestSounds::WriteWave(SoundFile("AlarmSound.wav"), 2205);
    ASSERT_EQ(LoadAlarm(), S_OK);
    ASSERT_NE(m_pAlarm, nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());
    ExpectPlays(4, 2205);
}

TEST_F(AlarmSoundTest, AnythingButALowerCaseWavOrMidHoldingItsKindIsReported) {
    const struct {
        const char* m_szFile;  // null: no Sound folder at all
        bool m_bNotFound;
    } kCases[] = {
        {nullptr, true},           {"Alarm.wav", true},       {"AlarmSound.WAV", false},
        {"AlarmSound.Mid", false}, {"AlarmSound.ogg", false}, {"AlarmSound.mid", false},  // the last holds a wave
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.m_szFile != nullptr ? c.m_szFile : "no folder");
        fs::remove_all(SoundFile(""));
        if (c.m_szFile != nullptr) {
            TestSounds::WriteWave(SoundFile(c.m_szFile), 500);
        }
        MessageBoxCapture boxes;
        DebugCapture trace;
        EXPECT_TRUE(FAILED(LoadAlarm()));
        EXPECT_EQ(m_pAlarm, nullptr);
        ASSERT_EQ(boxes.Boxes().size(), c.m_bNotFound ? 2u : 1u);
        if (c.m_bNotFound) {
            EXPECT_NE(boxes.Boxes()[0].text.find(kNotFound), std::string::npos);
            // Reports carry no source name and line 0.
            EXPECT_TRUE(trace.Contains(std::string("(0): ") + kNotFound));
        }
        EXPECT_NE(boxes.Boxes().back().text.find(kLoadFailed), std::string::npos);
        Unload();
    }
}

TEST_F(AlarmSoundTest, WithoutASoundDeviceTheProgramRunsSilently) {
    TestSounds::WriteWave(SoundFile("AlarmSound.wav"), 500);
    // As on a machine without a sound card.
    const char* szDriver = std::getenv("SDL_AUDIODRIVER");
    const std::string driver = szDriver != nullptr ? szDriver : "";
    setenv("SDL_AUDIODRIVER", "velmoran-no-such-driver", 1);
    MessageBoxCapture boxes;
    const HRESULT hr = LoadAlarm();
    szDriver != nullptr ? setenv("SDL_AUDIODRIVER", driver.c_str(), 1) : unsetenv("SDL_AUDIODRIVER");
    EXPECT_EQ(hr, DSERR_NODRIVER);
    EXPECT_NE(m_pMusic, nullptr);
    EXPECT_EQ(m_pAlarm, nullptr);
    EXPECT_TRUE(boxes.Boxes().empty());

    // The frame's alarm steps with no segment: the flag follows, no call is made.
    int sounding = 0;
    FollowAlarmRinging(1, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 1);
    FollowAlarmRinging(0, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 0);
    StopAlarmIfPlaying(m_pAlarm);
}

TEST_F(AlarmSoundTest, GeneratedAlarmSoundsLoadAndEndOnTheirOwn) {
    const fs::path wave = fs::path(VELMORAN_RUN_DIR) / "Sound" / "AlarmSound.wav";
    const fs::path midi = fs::path(VELMORAN_TESTDATA_DIR) / "AlarmSound.mid";
    for (const fs::path& source : {wave, midi}) {
        SCOPED_TRACE(source.string());
        ASSERT_TRUE(fs::exists(source)) << "the media generator writes it";
        fs::remove_all(SoundFile(""));
        fs::create_directories(SoundFile(""));
        fs::copy_file(source, SoundFile(source.filename().string()));
        MessageBoxCapture boxes;
        ASSERT_EQ(LoadAlarm(), S_OK);
        ASSERT_NE(m_pAlarm, nullptr);
        ASSERT_EQ(m_pAlarm->Play(0, nullptr), S_OK);
        EXPECT_LT(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate / 2)) << "audible at once";
        EXPECT_GT(FramesUntilSilent(static_cast<std::size_t>(kRate) * 120), 0u) << "an alarm never loops for ever";
        Unload();
    }
}

TEST_F(AlarmSoundTest, RingingStartsTheAlarmOnTheBeatOnceAndItsEndStopsIt) {
    const int frames = 4410;
    TestSounds::WriteWave(SoundFile("AlarmSound.wav"), frames);
    ASSERT_EQ(LoadAlarm(), S_OK);
    ASSERT_NE(m_pAlarm, nullptr);
    DebugCapture trace;
    auto starts = [&trace] {
        int n = 0;
        for (const std::string& record : trace.Records()) {
            n += record.find("segment started") != std::string::npos ? 1 : 0;
        }
        return n;
    };

    int sounding = 0;
    FollowAlarmRinging(0, sounding, m_pAlarm);
    EXPECT_EQ(starts(), 0);
    g_now = kStart + 0.3;
    FollowAlarmRinging(1, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 1);
    // On the next beat, 0.2 s on.
    EXPECT_EQ(FirstSound(Mix(kRate / 2)), static_cast<std::size_t>(kRate / 5));

    // Still ringing in later frames: no restart, even once all four plays are over.
    FollowAlarmRinging(1, sounding, m_pAlarm);
    Mix(4 * frames);
    EXPECT_FALSE(m_pAlarm->IsPlaying());
    FollowAlarmRinging(1, sounding, m_pAlarm);
    EXPECT_EQ(starts(), 1);

    // Ringing ends (panel closed or reset), then rings again: a fresh start.
    FollowAlarmRinging(0, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 0);
    FollowAlarmRinging(1, sounding, m_pAlarm);
    EXPECT_EQ(starts(), 2);
    // Ending the ringing while it sounds stops it at once.
    FollowAlarmRinging(0, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 0);
    EXPECT_FALSE(m_pAlarm->IsPlaying());
    EXPECT_EQ(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate));
}

}  // namespace
