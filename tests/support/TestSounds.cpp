#include "support/TestSounds.h"

#include <unistd.h>

#include <cstring>
#include <fstream>

namespace {
// Little-endian, or with `big` the other way round.
void Put(std::vector<BYTE>* out, DWORD v, int bytes, bool big = false) {
    for (int i = 0; i < bytes; ++i) {
        out->push_back(static_cast<BYTE>(v >> (8 * (big ? bytes - 1 - i : i))));
    }
}
void PutVarLength(std::vector<BYTE>* out, DWORD v) {
    BYTE bytes[4];
    int n = 0;
    do {
        bytes[n++] = static_cast<BYTE>(v & 0x7F);
        v >>= 7;
    } while (v != 0);
    while (n > 0) {
        --n;
        out->push_back(static_cast<BYTE>(bytes[n] | (n > 0 ? 0x80 : 0)));
    }
}
}  // namespace

std::int16_t TestSounds::Sample(std::size_t frame, int channel) {
    int value = static_cast<int>(frame % 3000) + 100;
    return static_cast<std::int16_t>(channel == 0 ? value : -value);
}

void TestSounds::WriteWave(const std::filesystem::path& path, std::size_t frames) {
    WriteBytes(path, Wave(WaveFormat(), frames));
}

std::vector<BYTE> TestSounds::Wave(const WaveFormat& layout, std::size_t frames) {
    const WORD blockAlign = static_cast<WORD>(layout.m_wChannels * layout.m_wBits / 8);
    const DWORD dataBytes = static_cast<DWORD>(frames * blockAlign);
    const bool extensible = layout.m_wTag == 0xFFFE;
    std::vector<BYTE> file = {'R', 'I', 'F', 'F'};
    Put(&file, static_cast<DWORD>((extensible ? 60 : 36) + dataBytes), 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put(&file, extensible ? 40 : 16, 4);
    Put(&file, layout.m_wTag, 2);
    Put(&file, layout.m_wChannels, 2);
    Put(&file, layout.m_dwRate, 4);
    Put(&file, layout.m_dwRate * blockAlign, 4);
    Put(&file, blockAlign, 2);
    Put(&file, layout.m_wBits, 2);
    if (extensible) {
        Put(&file, 22, 2);
        Put(&file, layout.m_wBits, 2);
        Put(&file, layout.m_wChannels == 1 ? 0x4 : 0x3, 4);
        // The integer sub-format: tag 1 followed by the usual fixed tail.
        file.insert(file.end(),
                    {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    }
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    Put(&file, layout.m_llDataSize >= 0 ? static_cast<DWORD>(layout.m_llDataSize) : dataBytes, 4);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < layout.m_wChannels; ++c) {
            const int value = Sample(i, c);
            if (layout.m_wTag == 3) {
                const float f = static_cast<float>(value) / 32768.0f;
                DWORD bits = 0;
                std::memcpy(&bits, &f, 4);
                Put(&file, bits, 4);
            } else if (layout.m_wBits == 8) {
                file.push_back(static_cast<BYTE>((value >> 8) + 128));
            } else if (layout.m_wBits == 16) {
                Put(&file, static_cast<WORD>(value), 2);
            } else if (layout.m_wBits == 24) {
                Put(&file, static_cast<DWORD>(value) << 8, 3);
            } else {
                Put(&file, static_cast<DWORD>(value) << 16, 4);
            }
        }
    }
    return file;
}

std::vector<BYTE> TestSounds::Midi(DWORD ticks, DWORD microsPerQuarter) {
    std::vector<BYTE> track;
    if (microsPerQuarter != 0) {
        track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03});
        Put(&track, microsPerQuarter, 3, true);
    }
    track.insert(track.end(), {0x00, 0xC0, 0x00, 0x00, 0x90, 72, 110});  // piano, loud C
    PutVarLength(&track, ticks);
    track.insert(track.end(), {0x80, 72, 0x00, 0x00, 0xFF, 0x2F, 0x00});
    std::vector<BYTE> file = {'M', 'T', 'h', 'd'};
    Put(&file, 6, 4, true);
    file.insert(file.end(), {0x00, 0x00, 0x00, 0x01, 0x01, 0xE0});
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    Put(&file, static_cast<DWORD>(track.size()), 4, true);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

void TestSounds::WriteBytes(const std::filesystem::path& path, const std::vector<BYTE>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TestSounds::TestSounds(const std::string& name)
    : m_folder(std::filesystem::temp_directory_path() / ("velmoran-" + name + "-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
}

TestSounds::~TestSounds() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}
