// The MIDI reader that times a MIDI alarm: tracks, running status, tempo
// changes; a file it accepts has a finite length and beat.
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/dmusic/MidiFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MidiFile midi;
    if (!midi.Parse(data, size)) {
        return 0;
    }
    const double length = midi.LengthSeconds();
    const double beat = midi.FirstBeatSeconds();
    if (!std::isfinite(length) || length < 0.0 || !std::isfinite(beat) || beat <= 0.0) {
        std::abort();
    }
    return 0;
}
