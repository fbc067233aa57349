#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "SoundFixture.h"
#include "sound/MusicManager.h"
#include "sound/MusicSegment.h"
#include "support/Capture.h"
#include "support/TestSounds.h"

namespace {

// A manager started in a folder of its own, with the loader searching there.
class MusicManagerTest : public ManualMixing {
protected:
    void SetUp() override {
        ManualMixing::SetUp();
        m_pMusic = std::make_unique<MusicManager>();
        ASSERT_EQ(m_pMusic->Initialize(nullptr, 128, DMUS_APATH_SHARED_STEREOPLUSREVERB), S_OK);
        ASSERT_EQ(m_pMusic->SetSearchDirectory(m_sounds.Folder().string().c_str()), S_OK);
    }
    void TearDown() override {
        m_pMusic.reset();
        ManualMixing::TearDown();
    }

    std::unique_ptr<MusicSegment> Load(const std::string& name, BOOL download, BOOL isMidi, HRESULT expected = S_OK) {
        auto* pSegment = reinterpret_cast<MusicSegment*>(1);  // must come back null on failure
        EXPECT_EQ(m_pMusic->CreateSegmentFromFile(&pSegment, name.c_str(), download, isMidi), expected) << name;
        return std::unique_ptr<MusicSegment>(pSegment);
    }
    std::vector<std::int16_t> Mix(int frames) { return ManualMixing::Mix(m_pMusic->GetPerformance(), frames); }

    TestSounds m_sounds{"sound-manager"};
    std::unique_ptr<MusicManager> m_pMusic;
};

TEST_F(MusicManagerTest, PlayBeforeDownloadFailsAndSoundsNothing) {
    TestSounds::WriteWave(m_sounds.Folder() / "tone.wav", 1000);
    std::unique_ptr<MusicSegment> segment = Load("tone.wav", FALSE, FALSE);
    ASSERT_NE(segment, nullptr);
    EXPECT_FALSE(segment->IsDownloaded());

    DebugCapture trace;
    EXPECT_EQ(segment->Play(0, nullptr), E_FAIL);
    EXPECT_FALSE(segment->IsPlaying());
    EXPECT_FALSE(trace.Contains("segment started"));
    EXPECT_EQ(FirstSound(Mix(1000)), 1000u);

    ASSERT_EQ(segment->Download(nullptr), S_OK);
    EXPECT_TRUE(segment->IsDownloaded());
    ASSERT_EQ(segment->Play(0, nullptr), S_OK);
    EXPECT_EQ(FirstSound(Mix(1000)), 0u);
}

TEST_F(MusicManagerTest, MidiFlagOnAWaveMissingFilesAndOverlongNamesLeaveNoSegment) {
    TestSounds::WriteWave(m_sounds.Folder() / "wave.mid", 500);  // named like MIDI, holds a WAV
    EXPECT_EQ(Load("wave.mid", TRUE, TRUE, DMUS_E_TRACK_NOT_FOUND), nullptr);
    EXPECT_NE(Load("wave.mid", TRUE, FALSE), nullptr);
    EXPECT_EQ(Load("nothing.wav", TRUE, FALSE, DMUS_E_LOADER_FAILEDOPEN), nullptr);
    const std::string longName(300, 'a');
    EXPECT_EQ(Load(longName + ".wav", TRUE, FALSE, E_INVALIDARG), nullptr);
    EXPECT_EQ(m_pMusic->SetSearchDirectory(("/" + longName).c_str()), E_INVALIDARG);
}

TEST(MusicManagerLifetime, NothingWorksBeforeInitializeAndComIsBalanced) {
    TestSounds sounds("sound-lifetime");
    TestSounds::WriteWave(sounds.Folder() / "tone.wav", 100);
    {
        MusicManager music;
        EXPECT_EQ(music.SetSearchDirectory(sounds.Folder().string().c_str()), E_UNEXPECTED);
        auto* pSegment = reinterpret_cast<MusicSegment*>(1);
        EXPECT_EQ(music.CreateSegmentFromFile(&pSegment, "tone.wav", TRUE, FALSE), E_UNEXPECTED);
        EXPECT_EQ(pSegment, nullptr);
    }
    // Every manager gave back its COM start-up: nothing can be created now.
    LPVOID pObject = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8, &pObject),
              CO_E_NOTINITIALIZED);
}

TEST(MusicManagerLifetime, SegmentMayOutliveItsManager) {
    TestSounds sounds("sound-outlive");
    TestSounds::WriteWave(sounds.Folder() / "tone.wav", 44100);
    auto music = std::make_unique<MusicManager>();
    ASSERT_EQ(music->Initialize(nullptr, 128, DMUS_APATH_SHARED_STEREOPLUSREVERB), S_OK);
    ASSERT_EQ(music->SetSearchDirectory(sounds.Folder().string().c_str()), S_OK);
    MusicSegment* pSegment = nullptr;
    ASSERT_EQ(music->CreateSegmentFromFile(&pSegment, "tone.wav", TRUE, FALSE), S_OK);
    std::unique_ptr<MusicSegment> segment(pSegment);
    ASSERT_EQ(segment->Play(0, nullptr), S_OK);

    // The manager's end stops the sound and closes the device.
    music.reset();
    EXPECT_FALSE(segment->IsPlaying());
    EXPECT_EQ(segment->Play(0, nullptr), DMUS_E_NOT_INIT);
    EXPECT_EQ(segment->Stop(0), S_OK);
    segment.reset();  // releases what it borrowed without touching freed objects
}

TEST(MusicSegmentWithoutSegment, EveryCallSaysNotInitialisedAndNothingPlays) {
    MusicSegment empty(nullptr, nullptr, nullptr);
    EXPECT_EQ(empty.SetRepeats(3), CO_E_NOTINITIALIZED);
    EXPECT_EQ(empty.Download(nullptr), CO_E_NOTINITIALIZED);
    EXPECT_EQ(empty.Play(DMUS_SEGF_BEAT, nullptr), CO_E_NOTINITIALIZED);
    EXPECT_EQ(empty.Stop(0), CO_E_NOTINITIALIZED);
    // Not an error code that a test for non-zero would take as playing.
    EXPECT_EQ(empty.IsPlaying(), FALSE);
}

}  // namespace
