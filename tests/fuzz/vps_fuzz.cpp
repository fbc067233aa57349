// The flower clocks' position file as the flower clock reads it: a count and
// that many placements, read before any of its models.
#include <cstdint>

#include "FuzzMedia.h"
#include "scene/TexList.h"
#include "scene/Velmoran.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::Write("Misc/Clock.vps", data, size);
    TexList textures;
    Velmoran clocks(&textures);
    clocks.Load(fuzz_media::Device(), "Clock.vps");
    clocks.Release();
    return 0;
}
