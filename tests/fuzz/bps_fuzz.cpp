// The background's position file as the background objects read it, after
// their (small, valid) model.
#include <cstdint>
#include <cstring>

#include "FuzzMedia.h"
#include "scene/BackGroundObj.h"
#include "scene/TexList.h"

namespace {
// One triangle is model enough; the loader wants a dummy mesh for each
// display mesh, or it refuses the model before the position file is read.
const char kTriangle[] =
    "xof 0302txt 0032\n"
    "Mesh display01 { 3; 0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 0.0; 1.0; 0.0;; 1; 3; 0, 1, 2;; }\n"
    "Mesh dammy01 { 3; 0.0; 0.0; 0.0;, 1.0; 0.0; 0.0;, 0.0; 1.0; 0.0;; 1; 3; 0, 1, 2;; }\n";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    static const bool s_bModel = [] {
        fuzz_media::Write("Model/Leaf.x", reinterpret_cast<const std::uint8_t*>(kTriangle), std::strlen(kTriangle));
        return true;
    }();
    (void)s_bModel;
    fuzz_media::Write("Misc/Clock.bps", data, size);
    TexList textures;
    BackGroundObj background(&textures);
    background.Load(fuzz_media::Device(), "Leaf.x", "Clock.bps");
    background.Release();
    return 0;
}
