#include "platform/dmusic/WaveStream.h"

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/dmusic/DMusic.h"

namespace {

constexpr WORD kEncodingInteger = 1;
constexpr WORD kEncodingFloat = 3;
constexpr WORD kEncodingExtensible = 0xFFFE;

DWORD Get32(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}
WORD Get16(const BYTE* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}

// The converter's name for the samples as they are fed to it.
SDL_AudioFormat FeedFormat(const WaveFormat& format) {
    if (format.m_wEncoding == kEncodingFloat) {
        return AUDIO_F32LSB;
    }
    switch (format.m_wBits) {
        case 8:
            return AUDIO_U8;
        case 16:
            return AUDIO_S16LSB;
        default:
            return AUDIO_S32LSB;  // 24-bit samples are widened first
    }
}

}  // namespace

bool WaveFormat::Streamable() const {
    const bool integer =
        m_wEncoding == kEncodingInteger && (m_wBits == 8 || m_wBits == 16 || m_wBits == 24 || m_wBits == 32);
    const bool floating = m_wEncoding == kEncodingFloat && m_wBits == 32;
    return (integer || floating) && m_wChannels >= 1 && m_wChannels <= 8 && m_dwRate >= 1000 && m_dwRate <= 384000 &&
           m_wBlockAlign == m_wChannels * (m_wBits / 8);
}

BOOL WaveStream::Probe(std::FILE* file, ULONGLONG fileBytes, WaveFormat& format) {
    format = WaveFormat();
    BYTE header[12];
    if (std::fseek(file, 0, SEEK_SET) != 0 || std::fread(header, 1, sizeof(header), file) != sizeof(header) ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
        return FALSE;
    }
    bool haveFormat = false;
    ULONGLONG offset = sizeof(header);
    while (offset + 8 <= fileBytes) {
        BYTE chunk[8];
        if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(chunk, 1, sizeof(chunk), file) != sizeof(chunk)) {
            return FALSE;
        }
        const ULONGLONG size = Get32(chunk + 4);
        const ULONGLONG body = offset + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            BYTE fmt[40] = {};
            const std::size_t want = static_cast<std::size_t>(std::min<ULONGLONG>(size, sizeof(fmt)));
            if (size < 16 || std::fread(fmt, 1, want, file) != want) {
                return FALSE;
            }
            format.m_wEncoding = Get16(fmt);
            format.m_wChannels = Get16(fmt + 2);
            format.m_dwRate = Get32(fmt + 4);
            format.m_wBlockAlign = Get16(fmt + 12);
            format.m_wBits = Get16(fmt + 14);
            // The extensible form names its encoding in the first two bytes of its sub-format.
            if (format.m_wEncoding == kEncodingExtensible) {
                format.m_wEncoding = size >= 26 ? Get16(fmt + 24) : 0;
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return FALSE;
            }
            format.m_ullDataOffset = body;
            // Writers that never went back to fill in the size leave 0 or all ones:
            // the data then runs to the end of the file, as it does for one cut short.
            const ULONGLONG inFile = fileBytes - body;
            format.m_ullDataBytes = (size == 0 || size == 0xFFFFFFFFull) ? inFile : std::min(size, inFile);
            return format.m_wBlockAlign != 0 ? TRUE : FALSE;
        }
        offset = body + size + (size & 1);
    }
    return FALSE;
}

std::unique_ptr<WaveStream> WaveStream::Open(const std::shared_ptr<std::FILE>& file, const WaveFormat& format) {
    if (file == nullptr || !format.Streamable()) {
        return nullptr;
    }
    SDL_AudioStream* stream = SDL_NewAudioStream(FeedFormat(format), static_cast<Uint8>(format.m_wChannels),
                                                 static_cast<int>(format.m_dwRate), AUDIO_S16SYS,
                                                 dmusic_hooks::kMixChannels, dmusic_hooks::kMixRate);
    if (stream == nullptr) {
        return nullptr;
    }
    std::unique_ptr<WaveStream> wave(new (std::nothrow) WaveStream(file, stream, format));
    if (wave == nullptr) {
        SDL_FreeAudioStream(stream);
        return nullptr;
    }
    wave->Rewind();
    return wave;
}

WaveStream::WaveStream(const std::shared_ptr<std::FILE>& file, SDL_AudioStream* stream, const WaveFormat& format)
    : m_pFile(file), m_pStream(stream), m_format(format) {}

WaveStream::~WaveStream() {
    SDL_FreeAudioStream(m_pStream);
}

void WaveStream::Rewind() {
    SDL_AudioStreamClear(m_pStream);
    m_bFlushed = false;
    m_ullPosition = m_format.m_ullDataOffset;
    m_ullLeft = m_format.m_ullDataBytes;
}

bool WaveStream::Feed() {
    // Whole frames of the file (so whole 24-bit samples for the widening).
    const std::size_t frameBytes = m_format.m_wBlockAlign;
    const std::size_t most = (kBlockBytes / frameBytes) * frameBytes;
    const std::size_t want = static_cast<std::size_t>(std::min<ULONGLONG>(m_ullLeft, most));
    // Several plays of one sound may read the file at once: each at its own
    // place, never moving a shared one.
    std::size_t got = 0;
    while (got < want) {
        const ssize_t read =
            pread(fileno(m_pFile.get()), m_block + got, want - got, static_cast<off_t>(m_ullPosition + got));
        if (read <= 0) {
            break;
        }
        got += static_cast<std::size_t>(read);
    }
    m_ullPosition += got;
    const std::size_t usable = got - got % frameBytes;
    m_ullLeft = got == want ? m_ullLeft - got : 0;  // a read error ends the sound
    if (usable == 0) {
        return false;
    }
    if (m_format.m_wBits == 24) {
        const std::size_t samples = usable / 3;
        for (std::size_t i = 0; i < samples; ++i) {
            const BYTE* p = m_block + i * 3;
            m_widened[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                     static_cast<std::uint32_t>(p[1]) << 16 |
                                                     static_cast<std::uint32_t>(p[2]) << 24);
        }
        return SDL_AudioStreamPut(m_pStream, m_widened, static_cast<int>(samples * 4)) == 0;
    }
    return SDL_AudioStreamPut(m_pStream, m_block, static_cast<int>(usable)) == 0;
}

int WaveStream::Read(std::int16_t* out, int frames) {
    const int frameBytes = static_cast<int>(sizeof(std::int16_t)) * dmusic_hooks::kMixChannels;
    const int want = std::max(frames, 0) * frameBytes;
    int got = 0;
    while (got < want) {
        // The converter hands out what it has in pieces; only an empty
        // answer means it needs more.
        const int taken = SDL_AudioStreamGet(m_pStream, reinterpret_cast<Uint8*>(out) + got, want - got);
        if (taken < 0) {
            break;
        }
        got += taken;
        if (taken > 0) {
            continue;
        }
        if (m_ullLeft > 0 && Feed()) {
            continue;
        }
        if (m_bFlushed) {
            break;
        }
        // Its resampler keeps the last frames of the sound back even when told
        // the input has ended; a block of silence after them brings them out.
        // The voice cuts each play at the sound's own length.
        std::memset(m_block, FeedFormat(m_format) == AUDIO_U8 ? 0x80 : 0, sizeof(m_block));
        SDL_AudioStreamPut(m_pStream, m_block, static_cast<int>(sizeof(m_block)));
        SDL_AudioStreamFlush(m_pStream);
        m_bFlushed = true;
    }
    return got / frameBytes;
}
