// Texture creation from a DDS file, as the texture list and the sprites call
// it: the file read, parsed and its levels handed to the device.
#include <cstdint>

#include "FuzzMedia.h"
#include "gfxutil/D3DXTexture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::Write("Texture/Fuzz.dds", data, size);
    IDirect3DTexture8* texture = nullptr;
    if (SUCCEEDED(D3DXCreateTextureFromFileA(fuzz_media::Device(), "Texture/Fuzz.dds", &texture))) {
        texture->Release();
    }
    return 0;
}
