#include "platform/dmusic/SegmentVoice.h"

#include <algorithm>
#include <limits>

std::unique_ptr<SampleSource> SegmentVoice::Start(std::unique_ptr<SampleSource> source, DWORD serial,
                                                  ULONGLONG framesPerPlay, ULONGLONG plays, ULONGLONG delayFrames) {
    std::unique_ptr<SampleSource> previous = std::move(m_pSource);
    m_pSource = std::move(source);
    m_dwSerial = serial;
    m_bActive = true;
    m_bSourceEnded = false;
    m_ullFramesPerPlay = framesPerPlay;
    m_ullDelayFrames = delayFrames;
    m_ullPosition = 0;
    // Endless repeats are a count too large to reach.
    const ULONGLONG most = std::numeric_limits<ULONGLONG>::max() - delayFrames;
    m_ullTotalFrames =
        delayFrames + ((framesPerPlay != 0 && plays > most / framesPerPlay) ? most : plays * framesPerPlay);
    return previous;
}

std::unique_ptr<SampleSource> SegmentVoice::Stop() {
    m_bActive = false;
    m_dwSerial = 0;
    return std::move(m_pSource);
}

bool SegmentVoice::IsPlaying() const {
    return m_bActive && m_ullPosition < m_ullTotalFrames;
}

void SegmentVoice::Mix(std::int16_t* out, int frames) {
    if (!m_bActive) {
        return;
    }
    int done = 0;
    while (done < frames && m_ullPosition < m_ullTotalFrames) {
        const auto left = static_cast<ULONGLONG>(frames - done);
        if (m_ullPosition < m_ullDelayFrames) {
            const ULONGLONG wait = std::min(left, m_ullDelayFrames - m_ullPosition);
            done += static_cast<int>(wait);
            m_ullPosition += wait;
            continue;
        }
        const ULONGLONG inPlay = (m_ullPosition - m_ullDelayFrames) % m_ullFramesPerPlay;
        if (inPlay == 0) {
            m_bSourceEnded = false;
            if (m_pSource != nullptr) {
                m_pSource->Rewind();
            }
        }
        const int count =
            static_cast<int>(std::min({left, m_ullFramesPerPlay - inPlay, m_ullTotalFrames - m_ullPosition,
                                       static_cast<ULONGLONG>(kChunkFrames)}));
        const int got = (m_pSource != nullptr && !m_bSourceEnded) ? m_pSource->Read(m_chunk, count) : 0;
        m_bSourceEnded = got < count;
        std::int16_t* into = out + static_cast<std::ptrdiff_t>(done) * kChannels;
        for (int i = 0; i < got * kChannels; ++i) {
            into[i] = static_cast<std::int16_t>(std::clamp(into[i] + m_chunk[i], -32768, 32767));
        }
        done += count;
        m_ullPosition += count;
    }
}
