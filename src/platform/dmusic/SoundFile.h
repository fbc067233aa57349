// A sound file as the loader reads it: what kind of sound it holds (decided
// by its content, not its name), how long one play lasts and how long a beat
// of its tempo is. A WAV file the stream can read is left on disk, kept open
// with its format; any other file is kept as its whole image.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/dmusic/WaveStream.h"
#include "platform/kernel/WinTypes.h"

class SoundFile {
public:
    enum class Kind { Wave, Midi };

    // DMUS_E_LOADER_FAILEDOPEN when the file cannot be read,
    // DMUS_E_LOADER_FORMATNOTSUPPORTED when it is neither WAV nor MIDI,
    // DMUS_E_INVALIDFILE when it claims to be one but is damaged.
    HRESULT Load(const std::string& path);

    Kind GetKind() const { return m_kind; }
    // Played from disk: no image, the format instead.
    bool IsStreamed() const { return m_bStreamed; }
    const std::string& Path() const { return m_szPath; }
    // The open file a streamed sound plays from; null for one kept whole.
    const std::shared_ptr<std::FILE>& File() const { return m_pFile; }
    const WaveFormat& Format() const { return m_format; }
    const std::vector<BYTE>& Bytes() const { return m_bytes; }
    double LengthSeconds() const { return m_dLength; }
    double BeatSeconds() const { return m_dBeat; }

private:
    // The file's chunk headers must have been walked into the format.
    HRESULT CheckWave();
    HRESULT CheckMidi();

    Kind m_kind = Kind::Wave;
    bool m_bStreamed = false;
    std::string m_szPath;
    std::shared_ptr<std::FILE> m_pFile;
    WaveFormat m_format;
    std::vector<BYTE> m_bytes;
    double m_dLength = 0.0;
    double m_dBeat = 0.5;
};
