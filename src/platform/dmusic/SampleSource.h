// What a voice plays: the frames of one play of a segment, from its start,
// as interleaved 16-bit stereo at the mixer's rate. Read on the sound
// thread, with the performance's lock held; built and freed elsewhere.
#pragma once

#include <cstdint>

class SampleSource {
public:
    virtual ~SampleSource() = default;
    // Back to the first frame of a play.
    virtual void Rewind() = 0;
    // Writes up to frames frames to out; fewer only once the sound has ended.
    virtual int Read(std::int16_t* out, int frames) = 0;
};
