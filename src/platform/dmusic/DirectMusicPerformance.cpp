#include "platform/dmusic/DirectMusicPerformance.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/dmusic/DirectMusicSegment.h"
#include "platform/dmusic/MusicClock.h"
#include "platform/kernel/Kernel.h"

namespace {

bool IsKnownPathType(DWORD type) {
    return type == 0 || type == DMUS_APATH_SHARED_STEREOPLUSREVERB || type == DMUS_APATH_DYNAMIC_3D ||
           type == DMUS_APATH_DYNAMIC_MONO || type == DMUS_APATH_DYNAMIC_STEREO;
}

DirectMusicSegment* AsSegment(IUnknown* object) {
    return dynamic_cast<DirectMusicSegment*>(object);
}
}  // namespace

namespace dmusic_hooks {
HRESULT MixFrames(IDirectMusicPerformance8* performance, std::int16_t* out, int frames) {
    auto* self = dynamic_cast<DirectMusicPerformance*>(performance);
    if (self == nullptr || out == nullptr || frames < 0) {
        return E_INVALIDARG;
    }
    std::memset(out, 0, static_cast<std::size_t>(frames) * kMixChannels * sizeof(std::int16_t));
    self->Mix(out, frames);
    return S_OK;
}
}  // namespace dmusic_hooks

DirectMusicPerformance::~DirectMusicPerformance() {
    CloseDown();
}

HRESULT DirectMusicPerformance::InitAudio(IDirectMusic** music, IDirectSound** sound, HWND, DWORD defaultPathType,
                                          DWORD channelCount, DWORD, DMUS_AUDIOPARAMS* params) {
    // Handing out the synthesiser or the sound-buffer objects is not part of this stand-in.
    if (music != nullptr || sound != nullptr || params != nullptr) {
        return E_NOTIMPL;
    }
    if (!IsKnownPathType(defaultPathType) || (defaultPathType != 0 && channelCount == 0)) {
        return E_INVALIDARG;
    }
    if (m_device.IsOpen()) {
        return DMUS_E_ALREADY_INITED;
    }
    HRESULT hr = m_device.Open(&DirectMusicPerformance::MixCallback, this);
    if (FAILED(hr)) {
        return hr;
    }
    m_dStartTime = MusicClock::Now();
    return S_OK;
}

HRESULT DirectMusicPerformance::PlaySegmentEx(IUnknown* source, WCHAR* segmentName, IUnknown* transition, DWORD flags,
                                              LONGLONG startTime, IDirectMusicSegmentState** state, IUnknown* from,
                                              IUnknown* audioPath) {
    if (source == nullptr) {
        return E_POINTER;
    }
    DirectMusicSegment* segment = AsSegment(source);
    if (segment == nullptr || audioPath != nullptr) {
        return E_INVALIDARG;  // no audio path can exist: segments here carry no configuration
    }
    // Transitions, named segments, segment states, start times and the other
    // timing flags are not provided by this stand-in.
    if (segmentName != nullptr || transition != nullptr || state != nullptr || from != nullptr || startTime != 0 ||
        (flags & ~DMUS_SEGF_BEAT) != 0) {
        return E_NOTIMPL;
    }
    if (!m_device.IsOpen()) {
        return DMUS_E_NOT_INIT;
    }

    double delay = 0.0;
    if ((flags & DMUS_SEGF_BEAT) != 0) {
        double beat = segment->BeatSeconds();
        double now = MusicClock::Now() - m_dStartTime;
        delay = std::ceil(now / beat) * beat - now;
    }
    auto delayFrames = static_cast<ULONGLONG>(std::llround(delay * dmusic_hooks::kMixRate));
    ULONGLONG framesPerPlay = segment->FramesPerPlay();
    // Opened here, not on the sound thread; what it replaces is freed here too.
    std::unique_ptr<SampleSource> samples = segment->OpenSource();
    std::unique_ptr<SampleSource> replaced;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        replaced = m_voice.Start(std::move(samples), segment->Serial(), framesPerPlay, segment->Plays(), delayFrames);
        m_bEndReported = false;
    }
    char trace[160];
    std::snprintf(trace, sizeof(trace), "dmusic: segment started (%llu plays of %.3f s, first after %.3f s)\n",
                  static_cast<unsigned long long>(segment->Plays()),
                  static_cast<double>(framesPerPlay) / dmusic_hooks::kMixRate, delay);
    OutputDebugStringA(trace);
    return S_OK;
}

HRESULT DirectMusicPerformance::Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState*, MUSIC_TIME, DWORD) {
    DirectMusicSegment* ours = nullptr;
    if (segment != nullptr) {
        ours = AsSegment(segment);
        if (ours == nullptr) {
            return E_INVALIDARG;
        }
    }
    bool stopped = false;
    std::unique_ptr<SampleSource> released;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        NoteNaturalEnd();
        if (m_voice.IsPlaying() && (ours == nullptr || m_voice.Serial() == ours->Serial())) {
            released = m_voice.Stop();
            m_bEndReported = true;
            stopped = true;
        }
    }
    // Every stop is immediate: the program stops with no timing flags.
    if (stopped) {
        OutputDebugStringA("dmusic: segment stopped\n");
    }
    return S_OK;
}

HRESULT DirectMusicPerformance::IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) {
    if (segment == nullptr) {
        return state == nullptr ? E_POINTER : E_NOTIMPL;
    }
    DirectMusicSegment* ours = AsSegment(segment);
    if (ours == nullptr) {
        return E_INVALIDARG;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    NoteNaturalEnd();
    return m_voice.IsPlaying() && m_voice.Serial() == ours->Serial() ? S_OK : S_FALSE;
}

HRESULT DirectMusicPerformance::CloseDown() {
    Stop(nullptr, nullptr, 0, 0);
    m_device.Close();
    return S_OK;
}

HRESULT DirectMusicPerformance::CreateAudioPath(IUnknown* config, BOOL, IDirectMusicAudioPath8** path) {
    if (path == nullptr) {
        return E_POINTER;
    }
    *path = nullptr;
    // Configurations come only from segments, and WAV and MIDI segments carry none.
    return config == nullptr ? E_POINTER : E_INVALIDARG;
}

void DirectMusicPerformance::Mix(std::int16_t* out, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_voice.Mix(out, frames);
}

void DirectMusicPerformance::MixCallback(void* self, std::int16_t* out, int frames) {
    static_cast<DirectMusicPerformance*>(self)->Mix(out, frames);
}

void DirectMusicPerformance::NoteNaturalEnd() {
    if (!m_bEndReported && !m_voice.IsPlaying()) {
        m_bEndReported = true;
        OutputDebugStringA("dmusic: segment stopped (ended)\n");
    }
}
