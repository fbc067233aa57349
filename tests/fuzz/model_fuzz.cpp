// A display model as the clock loads it: the X file through the mesh loader,
// repair and the progressive mesh, split into display and dummy meshes, their
// textures asked of the texture list. Any input loads or is refused.
#include <cstdint>

#include "FuzzMedia.h"
#include "scene/Model.h"
#include "scene/TexList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::WriteTextures();
    fuzz_media::Write("Model/Fuzz.x", data, size);
    TexList textures;
    Model model(&textures);
    model.Load(fuzz_media::Device(), "Fuzz.x");
    model.Release();
    return 0;
}
