#include "platform/dmusic/MidiFile.h"

#include <algorithm>

namespace {

constexpr DWORD kDefaultMicrosPerQuarter = 500000;  // 120 beats per minute

DWORD ReadBigEndian(const BYTE* p, int bytes) {
    DWORD value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | p[i];
    }
    return value;
}

// A variable-length quantity: at most four bytes, seven bits each.
bool ReadVarLength(const BYTE* data, std::size_t size, std::size_t* pos, DWORD* value) {
    *value = 0;
    for (int i = 0; i < 4; ++i) {
        if (*pos >= size) {
            return false;
        }
        BYTE b = data[(*pos)++];
        *value = (*value << 7) | (b & 0x7F);
        if ((b & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

bool Skip(std::size_t size, std::size_t* pos, DWORD count) {
    if (count > size - *pos) {
        return false;
    }
    *pos += count;
    return true;
}

}  // namespace

bool MidiFile::Parse(const BYTE* data, std::size_t size) {
    m_wDivision = 0;
    m_ullEndTick = 0;
    m_tempos.clear();
    if (data == nullptr || size < 14 || ReadBigEndian(data, 4) != 0x4D546864) {  // "MThd"
        return false;
    }
    DWORD headerLength = ReadBigEndian(data + 4, 4);
    if (headerLength < 6 || headerLength > size - 8) {
        return false;
    }
    m_wDivision = static_cast<WORD>(ReadBigEndian(data + 12, 2));
    bool smpte = (m_wDivision & 0x8000) != 0;
    if ((!smpte && m_wDivision == 0) || (smpte && (m_wDivision & 0xFF) == 0)) {
        return false;
    }

    std::size_t pos = 8 + headerLength;
    int tracks = 0;
    while (pos < size) {
        if (size - pos < 8) {
            return false;
        }
        DWORD id = ReadBigEndian(data + pos, 4);
        DWORD length = ReadBigEndian(data + pos + 4, 4);
        pos += 8;
        if (length > size - pos) {
            return false;
        }
        // Chunks of other kinds are skipped, as the format asks.
        if (id == 0x4D54726B) {  // "MTrk"
            if (!ParseTrack(data + pos, length)) {
                return false;
            }
            ++tracks;
        }
        pos += length;
    }
    // Later tracks' tempo changes at the same tick come after earlier ones.
    std::stable_sort(m_tempos.begin(), m_tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.ullTick < b.ullTick; });
    return tracks > 0;
}

bool MidiFile::ParseTrack(const BYTE* data, std::size_t size) {
    std::size_t pos = 0;
    ULONGLONG tick = 0;
    BYTE running = 0;
    while (pos < size) {
        DWORD delta = 0;
        if (!ReadVarLength(data, size, &pos, &delta) || pos >= size) {
            return false;
        }
        tick += delta;
        m_ullEndTick = std::max(m_ullEndTick, tick);
        BYTE status = data[pos];
        if ((status & 0x80) != 0) {
            ++pos;
        } else if (running != 0) {
            status = running;  // running status: the byte read is already data
        } else {
            return false;
        }

        if (status == 0xFF) {
            running = 0;
            if (pos >= size) {
                return false;
            }
            BYTE type = data[pos++];
            DWORD length = 0;
            if (!ReadVarLength(data, size, &pos, &length) || length > size - pos) {
                return false;
            }
            if (type == 0x51 && length == 3) {
                m_tempos.push_back({tick, ReadBigEndian(data + pos, 3)});
            }
            pos += length;
            if (type == 0x2F) {
                return true;  // end of track
            }
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            DWORD length = 0;
            if (!ReadVarLength(data, size, &pos, &length) || !Skip(size, &pos, length)) {
                return false;
            }
        } else if (status >= 0xF0) {
            return false;  // real-time and common messages have no place in a file
        } else {
            running = status;
            BYTE kind = status & 0xF0;
            DWORD dataBytes = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            if (!Skip(size, &pos, dataBytes)) {
                return false;
            }
        }
    }
    // A track without its end-of-track event still ends where its data ends.
    return true;
}

double MidiFile::TicksToSeconds(ULONGLONG tick) const {
    if ((m_wDivision & 0x8000) != 0) {
        // Time code: frames per second (29 stands for 29.97) times ticks per frame.
        int framesPerSecond = 256 - (m_wDivision >> 8);
        double rate = framesPerSecond == 29 ? 29.97 : framesPerSecond;
        return static_cast<double>(tick) / (rate * (m_wDivision & 0xFF));
    }
    double seconds = 0.0;
    ULONGLONG at = 0;
    DWORD tempo = kDefaultMicrosPerQuarter;
    for (const TempoChange& change : m_tempos) {
        if (change.ullTick >= tick) {
            break;
        }
        seconds += static_cast<double>(change.ullTick - at) * tempo / 1e6 / m_wDivision;
        at = change.ullTick;
        tempo = change.dwMicrosPerQuarter;
    }
    return seconds + static_cast<double>(tick - at) * tempo / 1e6 / m_wDivision;
}

double MidiFile::LengthSeconds() const {
    return TicksToSeconds(m_ullEndTick);
}

double MidiFile::FirstBeatSeconds() const {
    DWORD tempo = kDefaultMicrosPerQuarter;
    for (const TempoChange& change : m_tempos) {
        if (change.ullTick != 0) {
            break;
        }
        tempo = change.dwMicrosPerQuarter;  // the last one at tick 0 holds
    }
    if ((m_wDivision & 0x8000) != 0 || tempo == 0) {
        return kDefaultMicrosPerQuarter / 1e6;
    }
    return tempo / 1e6;
}
