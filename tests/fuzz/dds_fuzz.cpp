// Feeds arbitrary bytes to the DDS reader: any input must either be refused
// or give levels whose sizes match their dimensions, and decode in bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gfxutil/DdsImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DdsImage image;
    if (FAILED(image.Parse(data, size))) {
        return 0;
    }
    std::vector<DWORD> argb;
    for (UINT level = 0; level < image.GetLevelCount(); ++level) {
        const DdsImage::Level& l = image.GetLevel(level);
        if (l.m_bytes.size() != DdsImage::LevelSize(image.GetFormat(), l.m_uWidth, l.m_uHeight)) {
            std::abort();
        }
        image.DecodeLevel(level, argb);
        if (argb.size() != static_cast<std::size_t>(l.m_uWidth) * l.m_uHeight) {
            std::abort();
        }
    }
    if (image.GetLevel(image.GetLevelCount() - 1).m_uWidth != 1 &&
        image.GetLevel(image.GetLevelCount() - 1).m_uHeight != 1) {
        std::abort();  // the chain must reach an edge of one pixel
    }
    image.ConvertToA8R8G8B8();
    return 0;
}
