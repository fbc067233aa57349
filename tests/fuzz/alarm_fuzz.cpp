// The WAV path of the alarm: the file loaded by the music loader, readied
// for the performance, played and mixed for a while and stopped, on SDL's
// dummy sound device with the mixing pulled by hand.
#include <SDL.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzMedia.h"
#include "platform/dmusic/DMusic.h"

namespace {

struct Music {
    IDirectMusicLoader8* m_pLoader = nullptr;
    IDirectMusicPerformance8* m_pPerformance = nullptr;
};

Music& Open() {
    static Music s_music = [] {
        SDL_setenv("SDL_AUDIODRIVER", "dummy", 1);
        dmusic_hooks::SetManualMixing(true);
        Music music;
        CoInitialize(nullptr);
        CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC, IID_IDirectMusicLoader8,
                         reinterpret_cast<LPVOID*>(&music.m_pLoader));
        CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC, IID_IDirectMusicPerformance8,
                         reinterpret_cast<LPVOID*>(&music.m_pPerformance));
        if (music.m_pLoader == nullptr || music.m_pPerformance == nullptr ||
            FAILED(music.m_pPerformance->InitAudio(nullptr, nullptr, nullptr, DMUS_APATH_SHARED_STEREOPLUSREVERB, 128,
                                                   DMUS_AUDIOF_ALL, nullptr))) {
            std::abort();
        }
        return music;
    }();
    return s_music;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // MIDI is the MIDI reader's own target; the synthesiser is too slow to fuzz.
    if (size >= 4 && std::memcmp(data, "MThd", 4) == 0) {
        return 0;
    }
    fuzz_media::Enter();
    Music& music = Open();
    fuzz_media::Write("Sound/AlarmSound.wav", data, size);
    std::wstring name = L"Sound/AlarmSound.wav";
    IDirectMusicSegment8* segment = nullptr;
    if (SUCCEEDED(music.m_pLoader->LoadObjectFromFile(CLSID_DirectMusicSegment, IID_IDirectMusicSegment8, name.data(),
                                                      reinterpret_cast<void**>(&segment)))) {
        if (SUCCEEDED(segment->Download(music.m_pPerformance))) {
            segment->SetRepeats(3);
            music.m_pPerformance->PlaySegmentEx(segment, nullptr, nullptr, 0, 0, nullptr, nullptr, nullptr);
            static std::vector<std::int16_t> s_out(4096 * 2);
            for (int block = 0; block < 4; ++block) {
                dmusic_hooks::MixFrames(music.m_pPerformance, s_out.data(), 4096);
            }
            music.m_pPerformance->Stop(nullptr, nullptr, 0, 0);
            segment->Unload(music.m_pPerformance);
        }
        music.m_pLoader->ReleaseObjectByUnknown(segment);
        segment->Release();
    }
    return 0;
}
