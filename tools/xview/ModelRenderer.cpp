#include "ModelRenderer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "gfxutil/D3DXTexture.h"

namespace {

constexpr float kFieldOfView = std::numbers::pi_v<float> / 4.0f;
constexpr DWORD kVertexFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

struct DrawVertex {
    float x, y, z, nx, ny, nz, u, v;
};

D3DMATRIX ToD3D(const Mat4& m) {
    D3DMATRIX d;
    std::memcpy(&d, m.m, sizeof(d));
    return d;
}

}  // namespace

ModelRenderer::~ModelRenderer() {
    for (auto& [name, pTexture] : m_textures) {
        if (pTexture != nullptr) {
            pTexture->Release();
        }
    }
    if (m_pDevice != nullptr) {
        m_pDevice->Release();
    }
    if (m_pDirect3D != nullptr) {
        m_pDirect3D->Release();
    }
}

bool ModelRenderer::Create(UINT uWidth, UINT uHeight, const std::string& szTextureFolder) {
    m_uWidth = uWidth;
    m_uHeight = uHeight;
    m_szTextureFolder = szTextureFolder;
    m_pDirect3D = Direct3DCreate8(D3D_SDK_VERSION);
    if (m_pDirect3D == nullptr) {
        return false;
    }
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = uWidth;
    parameters.BackBufferHeight = uHeight;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    return SUCCEEDED(m_pDirect3D->CreateDevice(0, D3DDEVTYPE_REF, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                               &parameters, &m_pDevice));
}

IDirect3DTexture8* ModelRenderer::Texture(const std::string& szName) {
    if (szName.empty()) {
        return nullptr;
    }
    auto it = m_textures.find(szName);
    if (it == m_textures.end()) {
        IDirect3DTexture8* pTexture = nullptr;
        if (FAILED(D3DXCreateTextureFromFileA(m_pDevice, (m_szTextureFolder + "/" + szName).c_str(), &pTexture))) {
            pTexture = nullptr;
        }
        it = m_textures.emplace(szName, pTexture).first;
    }
    return it->second;
}

ViewCamera ModelRenderer::Frame(const std::vector<ViewBatch>& batches, float fYaw, float fPitch) {
    Vec3 min(1e9f, 1e9f, 1e9f), max(-1e9f, -1e9f, -1e9f);
    for (const ViewBatch& batch : batches) {
        for (const ViewVertex& v : batch.m_vertices) {
            min = Vec3(std::min(min.x, v.m_p.x), std::min(min.y, v.m_p.y), std::min(min.z, v.m_p.z));
            max = Vec3(std::max(max.x, v.m_p.x), std::max(max.y, v.m_p.y), std::max(max.z, v.m_p.z));
        }
    }
    const Vec3 centre = (min + max) * 0.5f;
    const float fRadius = std::max(0.01f, Length(max - min) * 0.5f);
    ViewCamera camera;
    camera.m_forward = Vec3(std::sin(fYaw) * std::cos(fPitch), -std::sin(fPitch), std::cos(fYaw) * std::cos(fPitch));
    camera.m_eye = centre - camera.m_forward * (fRadius / std::sin(kFieldOfView * 0.5f) * 0.92f);
    return camera;
}

ViewCamera ModelRenderer::FrameFront(const std::vector<ViewBatch>& batches, float fFill) {
    Vec3 min(1e9f, 1e9f, 1e9f), max(-1e9f, -1e9f, -1e9f);
    for (const ViewBatch& batch : batches) {
        for (const ViewVertex& v : batch.m_vertices) {
            min = Vec3(std::min(min.x, v.m_p.x), std::min(min.y, v.m_p.y), std::min(min.z, v.m_p.z));
            max = Vec3(std::max(max.x, v.m_p.x), std::max(max.y, v.m_p.y), std::max(max.z, v.m_p.z));
        }
    }
    ViewCamera camera;
    camera.m_forward = Vec3(0.0f, 0.0f, 1.0f);
    if (min.x > max.x) {
        return camera;
    }
    // Perspective makes near points reach farther out, so each vertex sets
    // how far back the eye must stand for it to stay inside fFill.
    const float fScale = 1.0f / std::tan(kFieldOfView * 0.5f);
    const float fCentreX = (min.x + max.x) * 0.5f, fCentreY = (min.y + max.y) * 0.5f;
    float fEyeZ = min.z - 2.0f;
    for (const ViewBatch& batch : batches) {
        for (const ViewVertex& v : batch.m_vertices) {
            const float fReach = std::max(std::fabs(v.m_p.x - fCentreX), std::fabs(v.m_p.y - fCentreY));
            fEyeZ = std::min(fEyeZ, v.m_p.z - fScale * fReach / fFill);
        }
    }
    camera.m_eye = Vec3(fCentreX, fCentreY, fEyeZ);
    return camera;
}

bool ModelRenderer::Render(const std::vector<ViewBatch>& batches, const ViewCamera& camera, D3DCOLOR background,
                           std::vector<DWORD>& pixels) {
    IDirect3DDevice8* d = m_pDevice;
    // View: rows are the camera's axes, as the inverse of its placement.
    const Vec3 z = Normalize(camera.m_forward);
    const Vec3 x = Normalize(Cross(Vec3(0, 1, 0), z));
    const Vec3 y = Cross(z, x);
    Mat4 view;
    const float rows[4][3] = {{x.x, y.x, z.x},
                              {x.y, y.y, z.y},
                              {x.z, y.z, z.z},
                              {-Dot(x, camera.m_eye), -Dot(y, camera.m_eye), -Dot(z, camera.m_eye)}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            view.m[r * 4 + c] = rows[r][c];
        }
    }
    Mat4 projection = Mat4::Scaling(0, 0, 0);
    const float fNear = 1.0f, fFar = 500.0f;
    const float fScale = 1.0f / std::tan(kFieldOfView * 0.5f);
    projection.m[0] = fScale * static_cast<float>(m_uHeight) / static_cast<float>(m_uWidth);
    projection.m[5] = fScale;
    projection.m[10] = fFar / (fFar - fNear);
    projection.m[11] = 1.0f;
    projection.m[14] = -fNear * fFar / (fFar - fNear);
    projection.m[15] = 0.0f;
    const D3DMATRIX world = ToD3D(Mat4::Identity()), viewD3D = ToD3D(view), projD3D = ToD3D(projection);
    d->SetTransform(D3DTS_WORLD, &world);
    d->SetTransform(D3DTS_VIEW, &viewD3D);
    d->SetTransform(D3DTS_PROJECTION, &projD3D);

    // The clock's device state: lights, ambient, culling, stage 0, fog.
    const struct {
        float x, y, z, c;
    } lights[3] = {{0.1f, -0.5f, 0.0f, 1.0f}, {-2.0f, -1.0f, 0.0f, 0.5f}, {0.0f, -0.2f, 1.0f, 0.5f}};
    for (DWORD i = 0; i < 3; ++i) {
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {lights[i].c, lights[i].c, lights[i].c, 0.0f};
        light.Direction = {lights[i].x, lights[i].y, lights[i].z};
        d->SetLight(i, &light);
        d->LightEnable(i, TRUE);
    }
    d->SetRenderState(D3DRS_LIGHTING, TRUE);
    d->SetRenderState(D3DRS_AMBIENT, 0xFF0A0A1E);
    d->SetRenderState(D3DRS_ZENABLE, TRUE);
    d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    d->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    d->SetRenderState(D3DRS_FOGENABLE, m_bFog ? TRUE : FALSE);
    d->SetRenderState(D3DRS_FOGCOLOR, background);
    d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR);
    d->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(0.0f));
    d->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(495.0f));
    d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    d->SetVertexShader(kVertexFormat);

    d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, background, 1.0f, 0);
    d->BeginScene();
    // Opaque materials first, then the translucent ones, as the draw queue does.
    for (int pass = 0; pass < 2; ++pass) {
        for (const ViewBatch& batch : batches) {
            const bool bTranslucent = batch.m_material.m_fColour[3] < 1.0f;
            if (batch.m_vertices.empty() || bTranslucent != (pass == 1)) {
                continue;
            }
            D3DMATERIAL8 material = {};
            const float* c = batch.m_material.m_fColour;
            material.Diffuse = {c[0], c[1], c[2], c[3]};
            material.Ambient = material.Diffuse;
            material.Emissive = {batch.m_material.m_fEmissive[0], batch.m_material.m_fEmissive[1],
                                 batch.m_material.m_fEmissive[2], 0.0f};
            d->SetMaterial(&material);
            d->SetTexture(0, Texture(batch.m_material.m_szTexture));
            std::vector<DrawVertex> vertices;
            vertices.reserve(batch.m_vertices.size());
            for (const ViewVertex& v : batch.m_vertices) {
                vertices.push_back({v.m_p.x, v.m_p.y, v.m_p.z, v.m_n.x, v.m_n.y, v.m_n.z, v.m_fU, v.m_fV});
            }
            d->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(vertices.size() / 3), vertices.data(),
                               sizeof(DrawVertex));
        }
    }
    d->SetTexture(0, nullptr);
    d->EndScene();
    if (FAILED(d->Present(nullptr, nullptr, nullptr, nullptr))) {
        return false;
    }
    IDirect3DSurface8* pSurface = nullptr;
    if (FAILED(d->CreateImageSurface(m_uWidth, m_uHeight, D3DFMT_A8R8G8B8, &pSurface))) {
        return false;
    }
    bool bOk = SUCCEEDED(d->GetFrontBuffer(pSurface));
    D3DLOCKED_RECT locked = {};
    if (bOk && SUCCEEDED(pSurface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        pixels.assign(static_cast<size_t>(m_uWidth) * m_uHeight, 0);
        for (UINT row = 0; row < m_uHeight; ++row) {
            std::memcpy(&pixels[static_cast<size_t>(row) * m_uWidth],
                        static_cast<const BYTE*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch, m_uWidth * 4);
        }
        pSurface->UnlockRect();
    } else {
        bOk = false;
    }
    pSurface->Release();
    return bOk;
}
