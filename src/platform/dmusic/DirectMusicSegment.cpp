#include "platform/dmusic/DirectMusicSegment.h"

#include <cmath>
#include <new>

#include "platform/dmusic/DownloadTarget.h"
#include "platform/dmusic/MixerDevice.h"

namespace {
// Decoded samples take 176 kB a second: a file that would decode to hours is
// refused rather than decoded. Streamed WAV files have no such limit.
constexpr double kLongestSeconds = 600.0;
DWORD g_lastSerial = 0;
}  // namespace

DirectMusicSegment::DirectMusicSegment(SoundFile file) : m_dwSerial(++g_lastSerial), m_file(std::move(file)) {}

HRESULT DirectMusicSegment::SetRepeats(DWORD repeats) {
    m_dwRepeats = repeats;
    return S_OK;
}

HRESULT DirectMusicSegment::SetParam(REFGUID type, DWORD, DWORD, MUSIC_TIME, void*) {
    if (type != GUID_StandardMIDIFile) {
        return DMUS_E_SET_UNSUPPORTED;
    }
    // Only a MIDI segment has the track this parameter is for. The General
    // MIDI synthesiser already plays the file as the parameter asks.
    return m_file.GetKind() == SoundFile::Kind::Midi ? S_OK : DMUS_E_TRACK_NOT_FOUND;
}

HRESULT DirectMusicSegment::Download(IUnknown* target) {
    if (target == nullptr) {
        return E_POINTER;
    }
    auto* performance = dynamic_cast<const DownloadTarget*>(target);
    if (performance == nullptr) {
        return E_INVALIDARG;
    }
    if (!performance->IsInitialised()) {
        return DMUS_E_NOT_INIT;
    }
    if (m_pSamples == nullptr && !m_file.IsStreamed()) {
        if (m_file.LengthSeconds() > kLongestSeconds) {
            return E_OUTOFMEMORY;
        }
        auto samples = std::make_shared<PcmSamples>();
        HRESULT hr = MixerDevice::Decode(m_file.Bytes(), samples.get());
        if (FAILED(hr)) {
            return hr;
        }
        // The synthesiser keeps sounding for seconds after a MIDI file's last
        // event; one play lasts exactly as long as the file says.
        if (m_file.GetKind() == SoundFile::Kind::Midi) {
            samples->resize(static_cast<std::size_t>(FramesPerPlay()) * SegmentVoice::kChannels, 0);
        }
        m_pSamples = std::move(samples);
    }
    ++m_dwDownloads;
    return S_OK;
}

HRESULT DirectMusicSegment::Unload(IUnknown* target) {
    if (target == nullptr) {
        return E_POINTER;
    }
    if (m_dwDownloads == 0) {
        return DMUS_E_NOT_DOWNLOADED_TO_PORT;
    }
    if (--m_dwDownloads == 0) {
        // A performance still playing these samples keeps its own share.
        m_pSamples.reset();
    }
    return S_OK;
}

HRESULT DirectMusicSegment::GetAudioPathConfig(IUnknown** config) {
    if (config == nullptr) {
        return E_POINTER;
    }
    *config = nullptr;
    return DMUS_E_NO_AUDIOPATH_CONFIG;
}

std::unique_ptr<SampleSource> DirectMusicSegment::OpenSource() const {
    if (m_dwDownloads == 0) {
        return nullptr;
    }
    if (m_file.IsStreamed()) {
        return WaveStream::Open(m_file.File(), m_file.Format());
    }
    return std::unique_ptr<SampleSource>(new (std::nothrow) DecodedSource(m_pSamples));
}

ULONGLONG DirectMusicSegment::FramesPerPlay() const {
    if (m_file.IsStreamed()) {
        const WaveFormat& format = m_file.Format();
        return (format.Frames() * dmusic_hooks::kMixRate + format.m_dwRate / 2) / format.m_dwRate;
    }
    if (m_file.GetKind() == SoundFile::Kind::Wave && m_pSamples != nullptr) {
        return m_pSamples->size() / SegmentVoice::kChannels;
    }
    return static_cast<ULONGLONG>(std::llround(m_file.LengthSeconds() * dmusic_hooks::kMixRate));
}
