// The skinned bird's loader: frames, skinned meshes, materials and the
// animation keys, then a few animation steps and a draw on the recording
// device, in both the hardware and the software blending paths.
#include <cstdint>

#include "FuzzMedia.h"
#include "bird/SkinnedMesh.h"
#include "gfxutil/D3DXMath.h"
#include "platform/d3d/record/RecordingDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_media::Enter();
    fuzz_media::Write("Model/Fuzz.x", data, size);
    IDirect3DDevice8* device = fuzz_media::Device();
    static const D3DCAPS8 s_caps[2] = {RecordingDeviceCaps(D3DDEVTYPE_HAL), RecordingDeviceCaps(D3DDEVTYPE_REF)};
    const D3DCAPS8& caps = s_caps[size % 2];
    SkinnedMesh mesh;
    if (SUCCEEDED(mesh.Load(device, caps, "Fuzz.x"))) {
        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        for (int step = 0; step < 3; ++step) {
            mesh.FrameMove(1, 1, 0);
            mesh.Render(world);
        }
    }
    mesh.DeleteTree();
    return 0;
}
