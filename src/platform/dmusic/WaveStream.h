// A WAV file played straight from disk a block at a time, so a sound of any
// length costs the same small memory. It reads the file opened when the sound
// was loaded, at a place of its own, so a file removed or replaced on disk
// after that still plays as it was loaded. Integer and floating-point samples in
// any common width, rate and channel count are converted to the mixer's
// format as they are read.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/dmusic/SampleSource.h"
#include "platform/kernel/WinTypes.h"

// What the chunk headers of a WAV file say, checked against the file.
struct WaveFormat {
    WORD m_wEncoding = 0;  // 1 integer, 3 floating point
    WORD m_wChannels = 0;
    DWORD m_dwRate = 0;
    WORD m_wBits = 0;
    WORD m_wBlockAlign = 0;
    ULONGLONG m_ullDataOffset = 0;
    ULONGLONG m_ullDataBytes = 0;  // what the file really holds of the data chunk

    ULONGLONG Frames() const { return m_wBlockAlign != 0 ? m_ullDataBytes / m_wBlockAlign : 0; }
    // An encoding this stream reads; others are left to the whole-file decoder.
    bool Streamable() const;
};

// SDL's sample-format converter, declared as SDL declares it.
struct _SDL_AudioStream;

class WaveStream final : public SampleSource {
public:
    // Walks the chunk headers of an open file of fileBytes bytes (data is not
    // read). FALSE for a file that is not WAV or has no usable format or data chunk.
    static BOOL Probe(std::FILE* file, ULONGLONG fileBytes, WaveFormat& format);
    // Null when its format cannot be converted. Shares the open file.
    static std::unique_ptr<WaveStream> Open(const std::shared_ptr<std::FILE>& file, const WaveFormat& format);

    ~WaveStream() override;
    WaveStream(const WaveStream&) = delete;
    WaveStream& operator=(const WaveStream&) = delete;

    void Rewind() override;
    int Read(std::int16_t* out, int frames) override;

private:
    WaveStream(const std::shared_ptr<std::FILE>& file, _SDL_AudioStream* stream, const WaveFormat& format);
    // Feeds the converter the next block of the file; false once there is none.
    bool Feed();

    static constexpr std::size_t kBlockBytes = 8192;

    std::shared_ptr<std::FILE> m_pFile;
    _SDL_AudioStream* m_pStream;
    WaveFormat m_format;
    ULONGLONG m_ullPosition = 0;  // where the next block is read
    ULONGLONG m_ullLeft = 0;      // data bytes not yet fed
    bool m_bFlushed = false;
    BYTE m_block[kBlockBytes];
    std::int32_t m_widened[kBlockBytes / 3];  // 24-bit samples as 32-bit ones
};
