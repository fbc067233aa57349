#include <gtest/gtest.h>

#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/dmusic/DMusic.h"
#include "support/Capture.h"
#include "support/TestSounds.h"

namespace {

constexpr int kRate = dmusic_hooks::kMixRate;
double g_now = 0.0;
double FakeClock() {
    return g_now;
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

template <typename T>
HRESULT Create(REFCLSID clsid, REFIID iid, T** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, iid, reinterpret_cast<LPVOID*>(out));
}

HRESULT InitAudio(IDirectMusicPerformance8* performance) {
    return performance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_SHARED_STEREOPLUSREVERB, 128, DMUS_AUDIOF_ALL,
                                  nullptr);
}

// The program's own sequence: COM, loader, performance, InitAudio, search
// directory; segments loaded by relative name and downloaded to the performance.
class DMusicPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        dmusic_hooks::SetManualMixing(true);
        g_now = 100.0;
        dmusic_hooks::SetClock(FakeClock);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader8, &m_pLoader), S_OK);
        ASSERT_EQ(Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance8, &m_pPerformance), S_OK);
        ASSERT_EQ(InitAudio(m_pPerformance), S_OK);
        std::wstring folder = Wide(m_sounds.Folder().string());
        ASSERT_EQ(m_pLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, folder.data(), FALSE), S_OK);
    }

    void TearDown() override {
        for (IDirectMusicSegment8* segment : m_segments) {
            m_pLoader->ReleaseObjectByUnknown(segment);
            segment->Unload(m_pPerformance);
            segment->Release();
        }
        m_pPerformance->Stop(nullptr, nullptr, 0, 0);
        m_pPerformance->CloseDown();
        m_pPerformance->Release();
        m_pLoader->Release();
        CoUninitialize();
        dmusic_hooks::SetClock(nullptr);
        dmusic_hooks::SetManualMixing(false);
    }

    IDirectMusicSegment8* Load(const std::string& name, bool download = true) {
        std::wstring wide = Wide(name);
        IDirectMusicSegment8* segment = nullptr;
        EXPECT_EQ(m_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, wide.data(),
                                                reinterpret_cast<void**>(&segment)),
                  S_OK)
            << name;
        if (segment != nullptr) {
            m_segments.push_back(segment);
            if (download) {
                EXPECT_EQ(segment->Download(m_pPerformance), S_OK);
            }
        }
        return segment;
    }

    // A test wave of `frames` written under `name`, then loaded.
    IDirectMusicSegment8* LoadWave(const std::string& name, std::size_t frames, bool download = true) {
        TestSounds::WriteWave(m_sounds.Folder() / name, frames);
        return Load(name, download);
    }

    HRESULT Play(IDirectMusicSegment8* segment, DWORD flags = DMUS_SEGF_BEAT) {
        return m_pPerformance->PlaySegmentEx(segment, nullptr, nullptr, flags, 0, nullptr, nullptr, nullptr);
    }

    // Interleaved stereo, as the sound device would take it.
    std::vector<std::int16_t> Mix(int frames) {
        std::vector<std::int16_t> out(static_cast<std::size_t>(frames) * 2, 0x5555);
        EXPECT_EQ(dmusic_hooks::MixFrames(m_pPerformance, out.data(), frames), S_OK);
        return out;
    }

    static std::size_t FirstSound(const std::vector<std::int16_t>& out) {
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (out[i] != 0) {
                return i / 2;
            }
        }
        return out.size() / 2;
    }

    static double Energy(const std::vector<std::int16_t>& out, std::size_t fromFrame, std::size_t toFrame) {
        double sum = 0.0;
        for (std::size_t i = fromFrame * 2; i < toFrame * 2 && i < out.size(); ++i) {
            sum += std::abs(static_cast<double>(out[i]));
        }
        return sum / static_cast<double>(toFrame - fromFrame);
    }

    TestSounds m_sounds{"dmusic-playback"};
    IDirectMusicLoader8* m_pLoader = nullptr;
    IDirectMusicPerformance8* m_pPerformance = nullptr;
    std::vector<IDirectMusicSegment8*> m_segments;
};

TEST_F(DMusicPlayback, WaveWithThreeRepeatsPlaysFourTimesThenStopsOnItsOwn) {
    const std::size_t frames = 441;
    IDirectMusicSegment8* segment = LoadWave("Sound/AlarmSound.wav", frames);
    ASSERT_NE(segment, nullptr);
    ASSERT_EQ(segment->SetRepeats(3), S_OK);
    // What was loaded plays, whatever becomes of the file afterwards.
    std::filesystem::remove(m_sounds.Folder() / "Sound/AlarmSound.wav");
    TestSounds::WriteWave(m_sounds.Folder() / "Sound/AlarmSound.wav", 10);

    DebugCapture trace;
    g_now = 100.5;  // on a beat: no wait
    ASSERT_EQ(Play(segment), S_OK);
    EXPECT_TRUE(trace.Contains("dmusic: segment started"));
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);

    std::vector<std::int16_t> out = Mix(static_cast<int>(4 * frames) - 1);
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);  // one frame of the fourth play to go
    std::vector<std::int16_t> last = Mix(1);
    out.insert(out.end(), last.begin(), last.end());
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_FALSE);
    EXPECT_TRUE(trace.Contains("dmusic: segment stopped"));

    for (std::size_t i = 0; i < 4 * frames; ++i) {
        ASSERT_EQ(out[i * 2], TestSounds::Sample(i % frames, 0)) << "frame " << i;
        ASSERT_EQ(out[i * 2 + 1], TestSounds::Sample(i % frames, 1)) << "frame " << i;
    }
    std::vector<std::int16_t> after = Mix(2000);
    EXPECT_EQ(FirstSound(after), 2000u);
}

TEST_F(DMusicPlayback, BeatAlignedStartWaitsForTheNextBeatAndAtMostOne) {
    IDirectMusicSegment8* segment = LoadWave("Sound/AlarmSound.wav", 100);
    ASSERT_NE(segment, nullptr);
    struct Case {
        double sinceInit;
        std::size_t waitFrames;
    };
    // 120 per minute: beats every half second from InitAudio.
    const Case cases[] = {{0.0, 0}, {0.3, 8820}, {0.49, 441}, {0.5, 0}, {1.1, 17640}, {7.25, 11025}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sinceInit);
        g_now = 100.0 + c.sinceInit;
        ASSERT_EQ(Play(segment), S_OK);
        EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);  // waiting counts as playing
        EXPECT_EQ(FirstSound(Mix(kRate)), c.waitFrames);
    }
    for (double t = 0.0; t < 2.0; t += 0.0371) {
        g_now = 100.0 + t;
        ASSERT_EQ(Play(segment), S_OK);
        EXPECT_LT(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate / 2)) << t;
    }
    // Without the beat flag the segment starts at once.
    g_now = 100.3;
    ASSERT_EQ(Play(segment, 0), S_OK);
    EXPECT_EQ(FirstSound(Mix(100)), 0u);
}

TEST_F(DMusicPlayback, MidiWithOneRepeatPlaysTwiceAtItsOwnTempo) {
    // One quarter at 100 per minute: 0.6 s a play, and beats 0.6 s apart.
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "AlarmSound.mid", TestSounds::Midi(480, 600000));
    IDirectMusicSegment8* segment = Load("Sound\\AlarmSound.mid");
    ASSERT_NE(segment, nullptr);
    EXPECT_EQ(segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr), S_OK);
    ASSERT_EQ(segment->SetRepeats(1), S_OK);

    g_now = 100.3;
    ASSERT_EQ(Play(segment), S_OK);
    const std::size_t wait = 13230;  // half a beat of 0.6 s
    const std::size_t play = 26460;
    std::vector<std::int16_t> out = Mix(static_cast<int>(wait + 2 * play) - 1);
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);
    std::vector<std::int16_t> last = Mix(1);
    out.insert(out.end(), last.begin(), last.end());
    // The synthesiser sounds for seconds after the note; the segment is over when its file is.
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_FALSE);

    // The note's attack may begin with a few near-silent samples.
    EXPECT_GE(FirstSound(out), wait);
    EXPECT_LT(FirstSound(out), wait + 441);
    EXPECT_GT(Energy(out, wait, wait + play / 2), 50.0);
    EXPECT_GT(Energy(out, wait + play, wait + play + play / 2), 50.0);
    // The second play starts exactly where the first did.
    for (std::size_t i = 0; i < play; i += 97) {
        ASSERT_EQ(out[(wait + i) * 2], out[(wait + play + i) * 2]) << i;
    }
    EXPECT_EQ(FirstSound(Mix(kRate)), static_cast<std::size_t>(kRate));
}

TEST_F(DMusicPlayback, StopOnlyStopsWhatIsPlaying) {
    IDirectMusicSegment8* a = LoadWave("a.wav", 1000);
    IDirectMusicSegment8* b = LoadWave("b.wav", 1000);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    DebugCapture trace;
    EXPECT_EQ(m_pPerformance->Stop(a, nullptr, 0, 0), S_OK);  // not playing: nothing happens
    EXPECT_EQ(m_pPerformance->Stop(nullptr, nullptr, 0, 0), S_OK);
    EXPECT_FALSE(trace.Contains("stopped"));

    ASSERT_EQ(Play(a, 0), S_OK);
    EXPECT_EQ(m_pPerformance->Stop(b, nullptr, 0, 0), S_OK);
    EXPECT_EQ(m_pPerformance->IsPlaying(a, nullptr), S_OK);
    EXPECT_EQ(m_pPerformance->IsPlaying(b, nullptr), S_FALSE);
    EXPECT_FALSE(trace.Contains("stopped"));
    Mix(10);

    EXPECT_EQ(m_pPerformance->Stop(a, nullptr, 0, 0), S_OK);
    EXPECT_EQ(m_pPerformance->IsPlaying(a, nullptr), S_FALSE);
    EXPECT_TRUE(trace.Contains("dmusic: segment stopped"));
    EXPECT_EQ(FirstSound(Mix(1000)), 1000u);

    // A new segment takes over from the one playing; Stop(null) stops it.
    ASSERT_EQ(Play(a, 0), S_OK);
    ASSERT_EQ(Play(b, 0), S_OK);
    EXPECT_EQ(m_pPerformance->IsPlaying(a, nullptr), S_FALSE);
    EXPECT_EQ(m_pPerformance->IsPlaying(b, nullptr), S_OK);
    EXPECT_EQ(m_pPerformance->Stop(nullptr, nullptr, 0, 0), S_OK);
    EXPECT_EQ(m_pPerformance->IsPlaying(b, nullptr), S_FALSE);
}

TEST_F(DMusicPlayback, SegmentLetGoWhilePlayingPlaysOnAndOneNotDownloadedIsSilentForItsLength) {
    IDirectMusicSegment8* a = LoadWave("a.wav", 300);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->SetRepeats(1), S_OK);
    ASSERT_EQ(Play(a, 0), S_OK);
    Mix(100);
    m_pLoader->ReleaseObjectByUnknown(a);
    EXPECT_EQ(a->Unload(m_pPerformance), S_OK);
    EXPECT_EQ(a->Release(), 0u);
    m_segments.clear();
    std::vector<std::int16_t> out = Mix(600);
    for (std::size_t i = 0; i < 500; ++i) {
        ASSERT_EQ(out[i * 2], TestSounds::Sample((i + 100) % 300, 0)) << i;
    }
    EXPECT_EQ(FirstSound(std::vector<std::int16_t>(out.begin() + 1000, out.end())), 100u);

    // A segment never downloaded is silent for its length.
    IDirectMusicSegment8* b = LoadWave("b.wav", 4410, false);
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(Play(b, 0), S_OK);
    EXPECT_EQ(FirstSound(Mix(4409)), 4409u);
    EXPECT_EQ(m_pPerformance->IsPlaying(b, nullptr), S_OK);
    Mix(1);
    EXPECT_EQ(m_pPerformance->IsPlaying(b, nullptr), S_FALSE);
}

TEST_F(DMusicPlayback, WaveFilesOfEveryCommonEncodingPlayInTheMixersFormat) {
    struct Case {
        const char* m_szName;
        TestSounds::WaveFormat m_format;
        int m_nTolerance;
    };
    const Case cases[] = {
        {"16-bit stereo", {1, 16, 2, 44100, -1}, 0},
        // The converter widens through floating point: a step of rounding.
        {"24-bit stereo", {1, 24, 2, 44100, -1}, 1},
        {"32-bit stereo", {1, 32, 2, 44100, -1}, 1},
        {"float stereo", {3, 32, 2, 44100, -1}, 2},
        {"8-bit mono", {1, 8, 1, 44100, -1}, 256},
        {"extensible 16-bit stereo", {0xFFFE, 16, 2, 44100, -1}, 0},
        {"data size left at 0", {1, 16, 2, 44100, 0}, 0},
        {"data size left at all ones", {1, 16, 2, 44100, 0xFFFFFFFF}, 0},
        {"cut short", {1, 16, 2, 44100, 10000000}, 0},
    };
    const std::size_t frames = 3000;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.m_szName);
        const std::string name = "wave" + std::to_string(n++) + ".wav";
        TestSounds::WriteBytes(m_sounds.Folder() / name, TestSounds::Wave(c.m_format, frames));
        IDirectMusicSegment8* segment = Load(name);
        ASSERT_NE(segment, nullptr);
        ASSERT_EQ(segment->SetRepeats(1), S_OK);
        ASSERT_EQ(Play(segment, 0), S_OK);
        std::vector<std::int16_t> out = Mix(static_cast<int>(2 * frames) + 100);
        for (std::size_t i = 0; i < 2 * frames; ++i) {
            const int left = TestSounds::Sample(i % frames, 0);
            const int right = c.m_format.m_wChannels == 1 ? left : TestSounds::Sample(i % frames, 1);
            ASSERT_NEAR(out[i * 2], left, c.m_nTolerance) << "frame " << i;
            ASSERT_NEAR(out[i * 2 + 1], right, c.m_nTolerance) << "frame " << i;
        }
        EXPECT_EQ(FirstSound(std::vector<std::int16_t>(out.begin() + 4 * frames, out.end())), 100u);
        EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_FALSE);
    }
}

TEST_F(DMusicPlayback, AWaveAtAnotherRateLastsItsOwnTime) {
    TestSounds::WriteBytes(m_sounds.Folder() / "slow.wav", TestSounds::Wave({1, 16, 1, 22050, -1}, 2205));  // 0.1 s
    IDirectMusicSegment8* segment = Load("slow.wav");
    ASSERT_NE(segment, nullptr);
    ASSERT_EQ(Play(segment, 0), S_OK);
    std::vector<std::int16_t> out = Mix(4409);
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);
    Mix(1);
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_FALSE);
    // Resampled, not cut: the ramp's middle is there, on both channels.
    EXPECT_NEAR(out[2000 * 2], TestSounds::Sample(1000, 0), 40);
    EXPECT_EQ(out[2000 * 2], out[2000 * 2 + 1]);
    EXPECT_GT(Energy(out, 4000, 4300), 1000.0) << "the end of the sound is not lost";
}

TEST_F(DMusicPlayback, ATwentyMinuteWaveIsPlayedFromDiskNotRefused) {
    // The samples of its first frames, then a hole the file system reads as silence.
    const std::size_t frames = std::size_t{1200} * kRate;
    std::vector<BYTE> file = TestSounds::Wave({1, 16, 2, 44100, static_cast<long long>(frames * 4)}, 1000);
    const std::filesystem::path path = m_sounds.Folder() / "Sound" / "Song.wav";
    TestSounds::WriteBytes(path, file);
    std::filesystem::resize_file(path, file.size() - 4000 + frames * 4);

    const std::size_t before = mallinfo2().uordblks;
    DebugCapture trace;
    IDirectMusicSegment8* segment = Load("Sound/Song.wav");
    ASSERT_NE(segment, nullptr) << "a long sound is not refused";
    ASSERT_EQ(Play(segment, 0), S_OK);
    EXPECT_TRUE(trace.Contains("1 plays of 1200.000 s")) << trace.All();
    std::vector<std::int16_t> out = Mix(kRate);
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(out[i * 2], TestSounds::Sample(i, 0)) << "frame " << i;
    }
    EXPECT_EQ(FirstSound(std::vector<std::int16_t>(out.begin() + 2000, out.end())), kRate - 1000u);
    EXPECT_EQ(m_pPerformance->IsPlaying(segment, nullptr), S_OK);
    // Decoded whole it would take 212 MB; played from disk, a few blocks.
    if (before != 0) {
        EXPECT_LT(mallinfo2().uordblks, before + (std::size_t{4} << 20));
    }
}

TEST_F(DMusicPlayback, AMidiFileLongerThanTenMinutesIsRefusedNotDecoded) {
    // One note held for 1,202 quarters of 0.5 s: 601 s, which decoded whole
    // would take over 100 MB. A few bytes of file must not cost that much.
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "Long.mid", TestSounds::Midi(480 * 1202, 500000));
    IDirectMusicSegment8* segment = Load("Sound/Long.mid", false);
    ASSERT_NE(segment, nullptr);
    const std::size_t before = mallinfo2().uordblks;
    EXPECT_EQ(segment->Download(m_pPerformance), E_OUTOFMEMORY);
    if (before != 0) {
        EXPECT_LT(mallinfo2().uordblks, before + (std::size_t{4} << 20));
    }
    EXPECT_EQ(Play(segment, 0), S_OK) << "a refused segment plays as silence, as one not downloaded";
    EXPECT_EQ(FirstSound(Mix(kRate / 10)), static_cast<std::size_t>(kRate / 10));
}

// The program asks every segment for an embedded audio path and uses the
// performance's own when there is none.
TEST_F(DMusicPlayback, ASegmentWithoutAnAudioPathSaysSoAndHandsOutNone) {
    IDirectMusicSegment8* a = LoadWave("a.wav", 100, false);
    ASSERT_NE(a, nullptr);
    IUnknown* config = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(a->GetAudioPathConfig(&config), DMUS_E_NO_AUDIOPATH_CONFIG);
    EXPECT_EQ(config, nullptr);
}

// The real sound device (the dummy driver, which plays in real time) drives
// the end: an alarm stops by itself there too.
TEST(DMusicRealDevice, AnAlarmEndsOnItsOwnAfterItsPlays) {
    TestSounds sounds("dmusic-real");
    TestSounds::WriteWave(sounds.Folder() / "a.wav", 4410);  // 0.1 s
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IDirectMusicLoader8* loader = nullptr;
    IDirectMusicPerformance8* performance = nullptr;
    ASSERT_EQ(Create(CLSID_DirectMusicLoader, IID_IDirectMusicLoader8, &loader), S_OK);
    ASSERT_EQ(Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance8, &performance), S_OK);
    ASSERT_EQ(InitAudio(performance), S_OK);
    std::wstring name = Wide((sounds.Folder() / "a.wav").string());
    IDirectMusicSegment8* wave = nullptr;
    ASSERT_EQ(loader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, name.data(),
                                         reinterpret_cast<void**>(&wave)),
              S_OK);
    ASSERT_EQ(wave->Download(performance), S_OK);
    ASSERT_EQ(wave->SetRepeats(3), S_OK);
    ASSERT_EQ(performance->PlaySegmentEx(wave, nullptr, nullptr, DMUS_SEGF_BEAT, 0, nullptr, nullptr, nullptr), S_OK);
    // Not a timing: a bound far beyond the 0.4 s of sound and a beat of wait.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (performance->IsPlaying(wave, nullptr) == S_OK && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(performance->IsPlaying(wave, nullptr), S_FALSE) << "still playing after 10 s";
    loader->ReleaseObjectByUnknown(wave);
    wave->Unload(performance);
    EXPECT_EQ(wave->Release(), 0u);
    performance->CloseDown();
    EXPECT_EQ(performance->Release(), 0u);
    EXPECT_EQ(loader->Release(), 0u);
    CoUninitialize();
}

// The program goes on silently when InitAudio fails; nothing may be left half open.
TEST(DMusicNoSoundCard, InitAudioFailsCleanly) {
    const char* before = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = before != nullptr ? before : "";
    setenv("SDL_AUDIODRIVER", "velmoran-no-such-driver", 1);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    IDirectMusicPerformance8* performance = nullptr;
    ASSERT_EQ(Create(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance8, &performance), S_OK);
    {
        DebugCapture trace;
        EXPECT_EQ(InitAudio(performance), DSERR_NODRIVER);
        EXPECT_TRUE(trace.Contains("dmusic: no sound device"));
    }
    EXPECT_EQ(performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    EXPECT_EQ(performance->CloseDown(), S_OK);
    EXPECT_EQ(performance->Release(), 0u);
    CoUninitialize();
    if (before != nullptr) {
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    } else {
        unsetenv("SDL_AUDIODRIVER");
    }
}

}  // namespace
