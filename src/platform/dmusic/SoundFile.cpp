#include "platform/dmusic/SoundFile.h"

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/dmusic/DMusic.h"
#include "platform/dmusic/MidiFile.h"
#include "platform/kernel/Kernel.h"

namespace {
// A sound read whole (MIDI, compressed WAV) larger than this is no alarm sound.
constexpr std::uint64_t kMaxWholeFileBytes = std::uint64_t{64} << 20;
}  // namespace

HRESULT SoundFile::Load(const std::string& path) {
    m_bytes.clear();
    m_bStreamed = false;
    m_pFile.reset();
    m_szPath = path;
    std::uint64_t size = 0;
    std::FILE* file = OpenRegularFile(path.c_str(), UINT64_MAX, &size);
    if (file == nullptr) {
        return DMUS_E_LOADER_FAILEDOPEN;
    }
    const bool probed = WaveStream::Probe(file, size, m_format) != FALSE;
    std::shared_ptr<std::FILE> shared(file, std::fclose);
    if (probed && m_format.Streamable() && WaveStream::Open(shared, m_format) != nullptr) {
        m_pFile = std::move(shared);
        m_kind = Kind::Wave;
        m_bStreamed = true;
        m_dLength = static_cast<double>(m_format.Frames()) / m_format.m_dwRate;
        m_dBeat = 0.5;
        return S_OK;
    }
    // Any other file is read whole: within reason.
    if (size > kMaxWholeFileBytes) {
        return DMUS_E_LOADER_FAILEDOPEN;
    }
    std::rewind(file);
    m_bytes.reserve(static_cast<std::size_t>(size));
    BYTE block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof(block), file)) > 0) {
        m_bytes.insert(m_bytes.end(), block, block + got);
    }
    if (std::ferror(file) != 0) {
        return DMUS_E_LOADER_FAILEDOPEN;
    }

    if (m_bytes.size() >= 12 && std::memcmp(m_bytes.data(), "RIFF", 4) == 0 &&
        std::memcmp(m_bytes.data() + 8, "WAVE", 4) == 0) {
        m_kind = Kind::Wave;
        return probed ? CheckWave() : DMUS_E_INVALIDFILE;
    }
    if (m_bytes.size() >= 4 && std::memcmp(m_bytes.data(), "MThd", 4) == 0) {
        m_kind = Kind::Midi;
        return CheckMidi();
    }
    return DMUS_E_LOADER_FORMATNOTSUPPORTED;
}

HRESULT SoundFile::CheckWave() {
    // SDL reads every WAV encoding it knows; a file it refuses would not play.
    if (m_bytes.size() > static_cast<std::size_t>(SDL_MAX_SINT32)) {
        return DMUS_E_INVALIDFILE;
    }
    // SDL allocates what the data chunk claims before it reads: the claim is
    // cut to what the file holds, as the stream does, and the RIFF size too.
    const auto dataBytes = static_cast<Uint32>(m_format.m_ullDataBytes);
    const auto riffBytes = static_cast<Uint32>(m_bytes.size() - 8);
    std::memcpy(m_bytes.data() + m_format.m_ullDataOffset - 4, &dataBytes, 4);
    std::memcpy(m_bytes.data() + 4, &riffBytes, 4);
    SDL_AudioSpec spec;
    Uint8* samples = nullptr;
    Uint32 length = 0;
    SDL_RWops* stream = SDL_RWFromConstMem(m_bytes.data(), static_cast<int>(m_bytes.size()));
    if (stream == nullptr || SDL_LoadWAV_RW(stream, 1, &spec, &samples, &length) == nullptr) {
        return DMUS_E_INVALIDFILE;
    }
    SDL_FreeWAV(samples);
    int frameBytes = SDL_AUDIO_BITSIZE(spec.format) / 8 * spec.channels;
    if (frameBytes <= 0 || spec.freq <= 0) {
        return DMUS_E_INVALIDFILE;
    }
    m_dLength = static_cast<double>(length / static_cast<Uint32>(frameBytes)) / spec.freq;
    m_dBeat = 0.5;
    return S_OK;
}

HRESULT SoundFile::CheckMidi() {
    MidiFile midi;
    if (!midi.Parse(m_bytes.data(), m_bytes.size())) {
        return DMUS_E_INVALIDFILE;
    }
    m_dLength = midi.LengthSeconds();
    m_dBeat = midi.FirstBeatSeconds();
    return S_OK;
}
