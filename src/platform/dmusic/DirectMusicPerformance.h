// The performance: owns the sound device and the one segment sounding on it.
// Beats are counted from InitAudio on the music clock.
#pragma once

#include <mutex>

#include "platform/dmusic/DMusic.h"
#include "platform/dmusic/DownloadTarget.h"
#include "platform/dmusic/MixerDevice.h"
#include "platform/dmusic/SegmentVoice.h"
#include "platform/kernel/ComObject.h"

class DirectMusicSegment;

class DirectMusicPerformance final : public ComObject<IDirectMusicPerformance8, IID_IDirectMusicPerformance8>,
                                     public DownloadTarget {
public:
    DirectMusicPerformance() = default;

    HRESULT InitAudio(IDirectMusic** music, IDirectSound** sound, HWND window, DWORD defaultPathType,
                      DWORD channelCount, DWORD flags, DMUS_AUDIOPARAMS* params) override;
    HRESULT PlaySegmentEx(IUnknown* source, WCHAR* segmentName, IUnknown* transition, DWORD flags, LONGLONG startTime,
                          IDirectMusicSegmentState** state, IUnknown* from, IUnknown* audioPath) override;
    HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME time, DWORD flags) override;
    HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) override;
    HRESULT CloseDown() override;
    HRESULT CreateAudioPath(IUnknown* config, BOOL activate, IDirectMusicAudioPath8** path) override;

    bool IsInitialised() const override { return m_device.IsOpen(); }
    // Adds the next frames of the sounding segment to out; any thread.
    void Mix(std::int16_t* out, int frames);

private:
    ~DirectMusicPerformance() override;

    static void MixCallback(void* self, std::int16_t* out, int frames);
    // Traces the end of a segment that ran out on its own, once. Call with the lock held.
    void NoteNaturalEnd();

    MixerDevice m_device;
    double m_dStartTime = 0.0;
    std::mutex m_mutex;  // guards m_voice against the sound thread
    SegmentVoice m_voice;
    bool m_bEndReported = true;
};
