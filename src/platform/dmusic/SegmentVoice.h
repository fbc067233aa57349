// The one segment a performance sounds: a wait for the beat, then the
// segment's plays a set number of times, counted frame by frame on the sound
// device's thread. The owner serialises every call.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/dmusic/SampleSource.h"
#include "platform/kernel/WinTypes.h"

class SegmentVoice {
public:
    static constexpr int kChannels = 2;

    // source may end before a play does (the rest is silence) or be null: a
    // segment that was never downloaded is heard as silence of its length.
    // Returns the source of the segment it replaces, for the caller to free
    // away from the sound thread.
    std::unique_ptr<SampleSource> Start(std::unique_ptr<SampleSource> source, DWORD serial, ULONGLONG framesPerPlay,
                                        ULONGLONG plays, ULONGLONG delayFrames);
    std::unique_ptr<SampleSource> Stop();

    // From Start until the last play's last frame has been mixed, or Stop.
    bool IsPlaying() const;
    DWORD Serial() const { return m_dwSerial; }

    // Adds the next frames to out, saturating.
    void Mix(std::int16_t* out, int frames);

private:
    static constexpr int kChunkFrames = 256;

    std::unique_ptr<SampleSource> m_pSource;
    DWORD m_dwSerial = 0;
    bool m_bActive = false;
    bool m_bSourceEnded = false;  // in this play
    ULONGLONG m_ullFramesPerPlay = 0;
    ULONGLONG m_ullTotalFrames = 0;  // delay + plays * framesPerPlay
    ULONGLONG m_ullDelayFrames = 0;
    ULONGLONG m_ullPosition = 0;
    std::int16_t m_chunk[kChunkFrames * kChannels];
};
