#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dmusic/DMusic.h"
#include "support/TestSounds.h"

namespace {

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

class DMusicLoader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                                   reinterpret_cast<LPVOID*>(&m_pLoader)),
                  S_OK);
        TestSounds::WriteWave(m_sounds.Folder() / "Sound" / "AlarmSound.wav", 200);
        TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "AlarmSound.mid", TestSounds::Midi(480, 0));
        std::wstring folder = Wide(m_sounds.Folder().string());
        ASSERT_EQ(m_pLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, folder.data(), FALSE), S_OK);
    }

    void TearDown() override {
        EXPECT_EQ(m_pLoader->Release(), 0u);
        CoUninitialize();
    }

    HRESULT Load(const std::string& name, IDirectMusicSegment8** segment) {
        std::wstring wide = Wide(name);
        return m_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, wide.data(),
                                             reinterpret_cast<void**>(segment));
    }

    TestSounds m_sounds{"dmusic-loader"};
    IDirectMusicLoader8* m_pLoader = nullptr;
};

TEST_F(DMusicLoader, NamesResolveWhateverTheSeparatorCaseOrRootAndContentDecidesTheKind) {
    IDirectMusicSegment8* wave = nullptr;
    ASSERT_EQ(Load("Sound\\AlarmSound.wav", &wave), S_OK);
    for (const std::string& name : {std::string("Sound/AlarmSound.wav"), std::string("SOUND\\alarmSOUND.WAV"),
                                    (m_sounds.Folder() / "Sound" / "AlarmSound.wav").string()}) {
        IDirectMusicSegment8* same = nullptr;
        ASSERT_EQ(Load(name, &same), S_OK) << name;
        EXPECT_EQ(same, wave) << "one file, one cached object: " << name;
        same->Release();
    }

    // Content, not name, decides the kind: a WAV under a MIDI name has no MIDI track.
    TestSounds::WriteWave(m_sounds.Folder() / "Sound" / "Odd.mid", 100);
    IDirectMusicSegment8* midi = nullptr;
    IDirectMusicSegment8* odd = nullptr;
    ASSERT_EQ(Load("Sound\\AlarmSound.mid", &midi), S_OK);
    ASSERT_EQ(Load("Sound\\Odd.mid", &odd), S_OK);
    EXPECT_NE(midi, wave);
    EXPECT_EQ(midi->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr), S_OK);
    EXPECT_EQ(odd->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, nullptr), DMUS_E_TRACK_NOT_FOUND);
    IDirectMusicSegment8* none = nullptr;
    EXPECT_EQ(Load("Sound\\Odd.wav", &none), DMUS_E_LOADER_FAILEDOPEN) << "the name's extension still counts";
    for (IDirectMusicSegment8* segment : {wave, midi, odd}) {
        m_pLoader->ReleaseObjectByUnknown(segment);
        EXPECT_EQ(segment->Release(), 0u);
    }
}

TEST_F(DMusicLoader, MissingUnknownAndDamagedFilesFail) {
    IDirectMusicSegment8* segment = reinterpret_cast<IDirectMusicSegment8*>(1);
    EXPECT_EQ(Load("Sound\\NoSuchSound.wav", &segment), DMUS_E_LOADER_FAILEDOPEN);
    EXPECT_EQ(segment, nullptr);
    // What the program passes when no alarm sound was found.
    EXPECT_EQ(Load((m_sounds.Folder() / "Sound" / "AlarmSound.*").string(), &segment), DMUS_E_LOADER_FAILEDOPEN);
    EXPECT_EQ(Load("Sound", &segment), DMUS_E_LOADER_FAILEDOPEN);  // a folder

    std::string text = "not a sound at all";
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "Notes.wav", std::vector<BYTE>(text.begin(), text.end()));
    EXPECT_EQ(Load("Sound\\Notes.wav", &segment), DMUS_E_LOADER_FORMATNOTSUPPORTED);
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "Empty.wav", {});
    EXPECT_EQ(Load("Sound\\Empty.wav", &segment), DMUS_E_LOADER_FORMATNOTSUPPORTED);

    std::vector<BYTE> headerOnly = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "Broken.wav", headerOnly);
    EXPECT_EQ(Load("Sound\\Broken.wav", &segment), DMUS_E_INVALIDFILE);
    std::vector<BYTE> midi = TestSounds::Midi(480, 0);
    midi.resize(midi.size() - 5);
    TestSounds::WriteBytes(m_sounds.Folder() / "Sound" / "Broken.mid", midi);
    EXPECT_EQ(Load("Sound\\Broken.mid", &segment), DMUS_E_INVALIDFILE);
    EXPECT_EQ(segment, nullptr);
}

TEST_F(DMusicLoader, CacheHoldsUntilReleasedByUnknown) {
    IDirectMusicSegment8* first = nullptr;
    ASSERT_EQ(Load("Sound\\AlarmSound.wav", &first), S_OK);
    EXPECT_EQ(m_pLoader->ReleaseObjectByUnknown(first), S_OK);
    EXPECT_EQ(m_pLoader->ReleaseObjectByUnknown(first), DMUS_E_LOADER_OBJECTNOTFOUND);

    IDirectMusicSegment8* second = nullptr;
    ASSERT_EQ(Load("Sound\\AlarmSound.wav", &second), S_OK);
    EXPECT_NE(second, first);  // read again, a new object
    EXPECT_EQ(first->Release(), 0u);

    // The cache holds its own reference beside the caller's.
    EXPECT_EQ(second->AddRef(), 3u);  // caller, cache, and this
    second->Release();
    m_pLoader->ReleaseObjectByUnknown(second);
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(DMusicLoader, AMissingSearchDirectoryIsRefusedAndTheEarlierOneHolds) {
    std::wstring missing = Wide((m_sounds.Folder() / "NoSuchFolder").string());
    EXPECT_EQ(m_pLoader->SetSearchDirectory(GUID_DirectMusicAllTypes, missing.data(), FALSE), DMUS_E_LOADER_BADPATH);
    IDirectMusicSegment8* segment = nullptr;
    ASSERT_EQ(Load("Sound\\AlarmSound.wav", &segment), S_OK);
    m_pLoader->ReleaseObjectByUnknown(segment);
    segment->Release();
}

}  // namespace
