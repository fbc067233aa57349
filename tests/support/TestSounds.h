// Tiny sound files written by the tests themselves.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel/WinTypes.h"

class TestSounds {
public:
    // The sample of frame i, channel c, in every WAV written here: never zero,
    // different on each channel, so silence, the start of a play and a swapped
    // channel all show.
    static std::int16_t Sample(std::size_t frame, int channel);

    // 16-bit stereo at the mixer's rate, so it plays sample for sample.
    static void WriteWave(const std::filesystem::path& path, std::size_t frames);

    // The same samples in another encoding: tag 1 integer, 3 float, 0xFFFE
    // the extensible form (of integer samples); one channel holds channel 0's.
    // dataSize overrides the data chunk's size field when not -1.
    struct WaveFormat {
        WORD m_wTag = 1;
        WORD m_wBits = 16;
        WORD m_wChannels = 2;
        DWORD m_dwRate = 44100;
        long long m_llDataSize = -1;
    };
    static std::vector<BYTE> Wave(const WaveFormat& layout, std::size_t frames);

    // One note from tick 0 to `ticks` at 480 ticks per quarter. microsPerQuarter
    // 0 leaves the tempo out (the file's default, 120 per minute).
    static std::vector<BYTE> Midi(DWORD ticks, DWORD microsPerQuarter);
    static void WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes);

    // An empty folder of its own under the system's temporary folder, removed at destruction.
    explicit TestSounds(const std::string& name);
    ~TestSounds();
    TestSounds(const TestSounds&) = delete;
    TestSounds& operator=(const TestSounds&) = delete;
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_folder;
};
