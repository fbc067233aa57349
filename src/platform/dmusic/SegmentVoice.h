// The one segment a performance sounds: a wait for the beat, then the
// segment's samples played a set number of times, counted frame by frame on
// the sound device's thread. The owner serialises every call.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/kernel/WinTypes.h"

using PcmSamples = std::vector<std::int16_t>;  // interleaved stereo

class SegmentVoice {
public:
    static constexpr int kChannels = 2;

    // samples may be shorter than a play (the rest is silence) or null: a
    // segment that was never downloaded is heard as silence of its length.
    // Returns the samples of the segment it replaces, for the caller to free
    // away from the sound thread.
    std::shared_ptr<const PcmSamples> Start(std::shared_ptr<const PcmSamples> samples, DWORD serial,
                                            ULONGLONG framesPerPlay, ULONGLONG plays, ULONGLONG delayFrames);
    std::shared_ptr<const PcmSamples> Stop();

    // From Start until the last play's last frame has been mixed, or Stop.
    bool IsPlaying() const;
    DWORD Serial() const { return m_dwSerial; }

    // Adds the next frames to out, saturating.
    void Mix(std::int16_t* out, int frames);

private:
    std::shared_ptr<const PcmSamples> m_pSamples;
    DWORD m_dwSerial = 0;
    bool m_bActive = false;
    ULONGLONG m_ullFramesPerPlay = 0;
    ULONGLONG m_ullTotalFrames = 0;  // delay + plays * framesPerPlay
    ULONGLONG m_ullDelayFrames = 0;
    ULONGLONG m_ullPosition = 0;
};
