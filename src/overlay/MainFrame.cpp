#include "overlay/MainFrame.h"

#include "framework/MediaPath.h"

namespace {
// The frame loader names no module and no line.
constexpr OverlayTrace kFrameTrace = {nullptr, 0, 0, "MainFrame"};
constexpr UINT kFrameVertices = MainFrame::kBandCount * 6;
}  // namespace

MainFrame::MainFrame() : m_szDir{}, m_vCorners{}, m_pVB(nullptr), m_pTexture(nullptr) {
    CaptureDirectory(m_szDir);
}

MainFrame::~MainFrame() {
    ReleaseDeviceObjects();
}

HRESULT MainFrame::Load(IDirect3DDevice8* pDevice, const char* pszTextureName) {
    ReleaseDeviceObjects();
    return LoadOverlayResources(pDevice, m_szDir, pszTextureName, kFrameTrace, kFrameVertices, &m_pTexture, &m_pVB);
}

void MainFrame::SetViewport(const D3DVIEWPORT8& viewport) {
    const float x = float(viewport.X);
    const float y = float(viewport.Y);
    const float w = float(viewport.Width);
    const float h = float(viewport.Height);
    const float bx = w / 10.0f;
    const float by = h / 10.0f;
    // Texture coordinates of the band edges: the image's outer tenth. An empty
    // viewport would divide by zero; its bands are empty anyway.
    const float u0 = w > 0.0f ? bx / w : 0.0f;
    const float u1 = w > 0.0f ? (w - bx) / w : 1.0f;
    const float v0 = h > 0.0f ? by / h : 0.0f;
    const float v1 = h > 0.0f ? (h - by) / h : 1.0f;

    struct Point {
        float x, y, u, v;
    };
    const Point bands[kBandCount][4] = {
        {{x, y, 0.0f, 0.0f}, {x + w, y, 1.0f, 0.0f}, {x + w, y + by, 1.0f, v0}, {x, y + by, 0.0f, v0}},
        {{x, y + h - by, 0.0f, v1}, {x + w, y + h - by, 1.0f, v1}, {x + w, y + h, 1.0f, 1.0f}, {x, y + h, 0.0f, 1.0f}},
        {{x, y + by, 0.0f, v0}, {x + bx, y + by, u0, v0}, {x + bx, y + h - by, u0, v1}, {x, y + h - by, 0.0f, v1}},
        {{x + w - bx, y + by, u1, v0},
         {x + w, y + by, 1.0f, v0},
         {x + w, y + h - by, 1.0f, v1},
         {x + w - bx, y + h - by, u1, v1}},
    };
    for (int b = 0; b < kBandCount; ++b) {
        for (int k = 0; k < 4; ++k) {
            const Point& p = bands[b][k];
            m_vCorners[b * 4 + k] = {p.x, p.y, 0.0f, 1.0f, 0xFFFFFFFF, p.u, p.v};
        }
    }
}

HRESULT MainFrame::Draw(IDirect3DDevice8* pDevice) {
    if (m_pVB == nullptr) {
        return S_OK;
    }
    BYTE* pData = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &pData, 0)) || pData == nullptr) {
        return S_OK;
    }
    // Corners 1, 2, 3 and 3, 4, 1 of each band: two clockwise triangles.
    static constexpr int kOrder[6] = {0, 1, 2, 2, 3, 0};
    auto* pOut = reinterpret_cast<OverlayVertex*>(pData);
    for (int b = 0; b < kBandCount; ++b) {
        for (int k : kOrder) {
            *pOut++ = m_vCorners[b * 4 + k];
        }
    }
    m_pVB->Unlock();
    DrawOverlayTriangles(pDevice, m_pTexture, m_pVB, kBandCount * 2);
    return S_OK;
}

HRESULT MainFrame::ReleaseDeviceObjects() {
    ReleaseInterface(m_pTexture);
    ReleaseInterface(m_pVB);
    return S_OK;
}
