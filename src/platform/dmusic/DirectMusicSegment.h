// A segment made from one WAV or MIDI file. Downloading it to a performance
// readies it to play: a WAV file the stream reads stays on disk, any other
// file is decoded into samples. The performance reads its plan of play and
// a source of its samples from here.
#pragma once

#include <memory>

#include "platform/dmusic/DMusic.h"
#include "platform/dmusic/DecodedSource.h"
#include "platform/dmusic/SegmentVoice.h"
#include "platform/dmusic/SoundFile.h"
#include "platform/kernel/ComObject.h"

class DirectMusicSegment final : public ComObject<IDirectMusicSegment8, IID_IDirectMusicSegment8> {
public:
    // Takes the loaded file; each segment gets a serial the performance knows it by.
    explicit DirectMusicSegment(SoundFile file);

    HRESULT SetRepeats(DWORD repeats) override;
    HRESULT SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time, void* param) override;
    HRESULT Download(IUnknown* target) override;
    HRESULT Unload(IUnknown* target) override;
    HRESULT GetAudioPathConfig(IUnknown** config) override;

    DWORD Serial() const { return m_dwSerial; }
    ULONGLONG Plays() const { return static_cast<ULONGLONG>(m_dwRepeats) + 1; }
    double BeatSeconds() const { return m_file.BeatSeconds(); }
    // The samples of a play, from its start; null until downloaded, which is
    // heard as silence.
    std::unique_ptr<SampleSource> OpenSource() const;
    ULONGLONG FramesPerPlay() const;

private:
    ~DirectMusicSegment() override = default;

    DWORD m_dwSerial;
    SoundFile m_file;
    DWORD m_dwRepeats = 0;
    DWORD m_dwDownloads = 0;
    std::shared_ptr<const PcmSamples> m_pSamples;
};
