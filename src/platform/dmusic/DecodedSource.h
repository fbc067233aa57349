// A play read from samples decoded whole at download (MIDI, and WAV in the
// encodings only the decoder knows); the samples are shared with the segment.
#pragma once

#include <memory>
#include <vector>

#include "platform/dmusic/SampleSource.h"

using PcmSamples = std::vector<std::int16_t>;  // interleaved stereo

class DecodedSource final : public SampleSource {
public:
    explicit DecodedSource(std::shared_ptr<const PcmSamples> samples) : m_pSamples(std::move(samples)) {}

    void Rewind() override { m_position = 0; }
    int Read(std::int16_t* out, int frames) override;

private:
    std::shared_ptr<const PcmSamples> m_pSamples;
    std::size_t m_position = 0;  // in frames
};
