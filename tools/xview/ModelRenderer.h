// Draws posed model batches head-less through the reference device, lit the
// way the clock lights its scene (three directional lights and the ambient
// level it sets), with the scene's linear fog in the background colour, and
// reads the picture back as 0xAARRGGBB pixels.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ModelScene.h"
#include "platform/d3d/D3D8.h"

struct ViewCamera {
    Vec3 m_eye;
    Vec3 m_forward{0.0f, 0.0f, 1.0f};
};

class ModelRenderer {
public:
    ModelRenderer() = default;
    ~ModelRenderer();
    ModelRenderer(const ModelRenderer&) = delete;
    ModelRenderer& operator=(const ModelRenderer&) = delete;

    // textureFolder: where material texture names are looked up.
    bool Create(UINT uWidth, UINT uHeight, const std::string& szTextureFolder);

    // A camera that frames the batches' bounds, looking along yaw (about Y,
    // from +Z) and pitch (down from level).
    static ViewCamera Frame(const std::vector<ViewBatch>& batches, float fYaw, float fPitch);
    // A camera looking along +Z at the batches, placed so that in a square
    // picture their farthest point from the centre reaches fFill of the way
    // to the edge.
    static ViewCamera FrameFront(const std::vector<ViewBatch>& batches, float fFill);
    // The clock's fog in the background colour (on by default). A cut-out
    // renders without it, or the fog would tint every pixel toward the
    // background and leave nothing fully opaque.
    void SetFog(bool bFog) { m_bFog = bFog; }
    bool Render(const std::vector<ViewBatch>& batches, const ViewCamera& camera, D3DCOLOR background,
                std::vector<DWORD>& pixels);

private:
    IDirect3DTexture8* Texture(const std::string& szName);

    IDirect3D8* m_pDirect3D = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    UINT m_uWidth = 0, m_uHeight = 0;
    bool m_bFog = true;
    std::string m_szTextureFolder;
    std::map<std::string, IDirect3DTexture8*> m_textures;
};
