#include <gtest/gtest.h>

#include <filesystem>

#include "SoundFixture.h"
#include "sound/AlarmSound.h"
#include "support/Capture.h"
#include "support/TempDir.h"
#include "support/TestSounds.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kNotFound = "couldnt find alarmsoundfile";
constexpr const char* kLoadFailed = "failed to load sound for alarm...";

// The program started in a folder of its own; the test puts the sound there.
class AlarmSoundTest : public ManualMixing {
protected:
    void TearDown() override {
        Unload();
        ManualMixing::TearDown();
    }
    void Unload() {
        delete m_pAlarm;
        m_pAlarm = nullptr;
        delete m_pMusic;
        m_pMusic = nullptr;
    }

    fs::path SoundFile(const std::string& name) const { return fs::path(m_cwd.Path()) / "Sound" / name; }
    HRESULT LoadAlarm() { return LoadAlarmSound(nullptr, &m_pMusic, &m_pAlarm); }
    std::vector<std::int16_t> Mix(int frames) { return ManualMixing::Mix(m_pMusic->GetPerformance(), frames); }

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
    ScopedNoSoundDevice noDevice;
    MessageBoxCapture boxes;
    EXPECT_EQ(LoadAlarm(), DSERR_NODRIVER);
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

TEST_F(AlarmSoundTest, RingingStartsTheAlarmOnTheBeatOnceItsEndStopsItAndSoDoesExit) {
    const int frames = 4410;
    TestSounds::WriteWave(SoundFile("AlarmSound.wav"), frames);
    ASSERT_EQ(LoadAlarm(), S_OK);
    ASSERT_NE(m_pAlarm, nullptr);
    DebugCapture trace;
    auto count = [&trace](const char* what) {
        int n = 0;
        for (const std::string& record : trace.Records()) {
            n += record.find(what) != std::string::npos ? 1 : 0;
        }
        return n;
    };
    auto starts = [&count] { return count("segment started"); };

    int sounding = 0;
    FollowAlarmRinging(0, sounding, m_pAlarm);
    EXPECT_EQ(starts(), 0);
    SetClock(kStart + 0.3);
    FollowAlarmRinging(1, sounding, m_pAlarm);
    EXPECT_EQ(sounding, 1);
    EXPECT_EQ(starts(), 1);
    EXPECT_TRUE(m_pAlarm->IsPlaying());
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

    // Exit leaves a silent alarm alone and stops a sounding one.
    const int stops = count("stopped");
    StopAlarmIfPlaying(m_pAlarm);
    EXPECT_EQ(m_pAlarm->Stop(0), S_OK);
    EXPECT_EQ(count("stopped"), stops);
    ASSERT_EQ(m_pAlarm->Play(0, nullptr), S_OK);
    StopAlarmIfPlaying(m_pAlarm);
    EXPECT_FALSE(m_pAlarm->IsPlaying());
    EXPECT_EQ(count("dmusic: segment stopped"), stops + 1);
    EXPECT_EQ(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate));
}

}  // namespace
