#include "platform/dmusic/SegmentVoice.h"

#include <algorithm>
#include <limits>

std::shared_ptr<const PcmSamples> SegmentVoice::Start(std::shared_ptr<const PcmSamples> samples, DWORD serial,
                                                      ULONGLONG framesPerPlay, ULONGLONG plays, ULONGLONG delayFrames) {
    std::shared_ptr<const PcmSamples> previous = std::move(m_pSamples);
    m_pSamples = std::move(samples);
    m_dwSerial = serial;
    m_bActive = true;
    m_ullFramesPerPlay = framesPerPlay;
    m_ullDelayFrames = delayFrames;
    m_ullPosition = 0;
    // Endless repeats are a count too large to reach.
    const ULONGLONG most = std::numeric_limits<ULONGLONG>::max() - delayFrames;
    m_ullTotalFrames =
        delayFrames + ((framesPerPlay != 0 && plays > most / framesPerPlay) ? most : plays * framesPerPlay);
    return previous;
}

std::shared_ptr<const PcmSamples> SegmentVoice::Stop() {
    m_bActive = false;
    m_dwSerial = 0;
    return std::move(m_pSamples);
}

bool SegmentVoice::IsPlaying() const {
    return m_bActive && m_ullPosition < m_ullTotalFrames;
}

void SegmentVoice::Mix(std::int16_t* out, int frames) {
    if (!m_bActive) {
        return;
    }
    const std::size_t sampleFrames = m_pSamples != nullptr ? m_pSamples->size() / kChannels : 0;
    for (int i = 0; i < frames && m_ullPosition < m_ullTotalFrames; ++i, ++m_ullPosition) {
        if (m_ullPosition < m_ullDelayFrames) {
            continue;
        }
        ULONGLONG frame = (m_ullPosition - m_ullDelayFrames) % m_ullFramesPerPlay;
        if (frame >= sampleFrames) {
            continue;
        }
        for (int c = 0; c < kChannels; ++c) {
            int sum = out[i * kChannels + c] + (*m_pSamples)[frame * kChannels + c];
            out[i * kChannels + c] = static_cast<std::int16_t>(std::clamp(sum, -32768, 32767));
        }
    }
}
