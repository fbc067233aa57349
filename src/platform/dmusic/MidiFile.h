// The timing of a Standard MIDI File: how long it plays and how long its first
// beat is, from its division and tempo map. Notes are left to the synthesiser.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/kernel/WinTypes.h"

class MidiFile {
public:
    // False for anything that is not a well-formed file: bad header, a chunk
    // or event running past its end, a data byte with no status before it.
    bool Parse(const BYTE* data, std::size_t size);

    // Seconds from the start to the last event of the longest track.
    double LengthSeconds() const;
    // Seconds per quarter note at the start: 0.5 unless a tempo at tick 0 says otherwise.
    double FirstBeatSeconds() const;

private:
    struct TempoChange {
        ULONGLONG ullTick;
        DWORD dwMicrosPerQuarter;
    };

    bool ParseTrack(const BYTE* data, std::size_t size);
    double TicksToSeconds(ULONGLONG tick) const;

    WORD m_wDivision = 0;
    ULONGLONG m_ullEndTick = 0;
    std::vector<TempoChange> m_tempos;
};
