#include "platform/dmusic/DecodedSource.h"

#include <algorithm>
#include <cstring>

int DecodedSource::Read(std::int16_t* out, int frames) {
    const std::size_t total = m_pSamples != nullptr ? m_pSamples->size() / 2 : 0;
    const std::size_t count =
        std::min(static_cast<std::size_t>(std::max(frames, 0)), total - std::min(m_position, total));
    if (count > 0) {
        std::memcpy(out, m_pSamples->data() + m_position * 2, count * 2 * sizeof(std::int16_t));
        m_position += count;
    }
    return static_cast<int>(count);
}
