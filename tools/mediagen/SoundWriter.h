// The alarm sounds: a synthesised bell chime as 16-bit mono PCM WAV, and a
// short melody as a Standard MIDI File (format 0).
#pragma once

#include <cstdint>
#include <string>

class SoundWriter {
public:
    static constexpr std::uint32_t kSampleRate = 22050;

    static std::string ChimeWav();
    static std::string MelodyMidi();
};
