#include "framework/BitmapFont.h"

#include <cstring>

#include "framework/AnsiString.h"
#include "platform/win/WinGdi.h"

namespace {

constexpr DWORD kMaxVertices = 300;
constexpr DWORD kFontFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

struct FontVertex {
    float x;
    float y;
    float z;
    float rhw;
    D3DCOLOR color;
    float tu;
    float tv;
};
static_assert(sizeof(FontVertex) == 28);

FontVertex MakeVertex(float x, float y, D3DCOLOR color, float tu, float tv) {
    // Offset by half a pixel so that texels land on pixels.
    return FontVertex{x - 0.5f, y - 0.5f, 0.9f, 1.0f, color, tu, tv};
}

}  // namespace

BitmapFont::BitmapFont(const char* fontName, DWORD height, DWORD flags)
    : m_szFontName(),
      m_dwFontHeight(height),
      m_dwFontFlags(flags),
      m_pd3dDevice(nullptr),
      m_pTexture(nullptr),
      m_pVB(nullptr),
      m_dwTexWidth(0),
      m_dwTexHeight(0),
      m_fTextScale(1.0f),
      m_fTexCoords(),
      m_dwSavedStateBlock(0),
      m_dwDrawTextStateBlock(0) {
    // Bounded: a longer name is cut rather than written past the field.
    CopyAnsi(m_szFontName, fontName != nullptr ? fontName : "", static_cast<int>(sizeof(m_szFontName)));
}

BitmapFont::~BitmapFont() {
    OnDeviceLost();
    OnDeviceDestroyed();
}

HRESULT BitmapFont::OnDeviceCreated(IDirect3DDevice8* device) {
    m_pd3dDevice = device;
    m_fTextScale = 1.0f;

    if (m_dwFontHeight > 40) {
        m_dwTexWidth = m_dwTexHeight = 1024;
    } else if (m_dwFontHeight > 20) {
        m_dwTexWidth = m_dwTexHeight = 512;
    } else {
        m_dwTexWidth = m_dwTexHeight = 256;
    }

    D3DCAPS8 caps = {};
    m_pd3dDevice->GetDeviceCaps(&caps);
    if (m_dwTexWidth > caps.MaxTextureWidth) {
        m_fTextScale = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(m_dwTexWidth);
        m_dwTexWidth = m_dwTexHeight = caps.MaxTextureWidth;
    }

    HRESULT hr =
        m_pd3dDevice->CreateTexture(m_dwTexWidth, m_dwTexHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pTexture);
    if (FAILED(hr)) {
        return hr;
    }
    return PaintGlyphs();
}

HRESULT BitmapFont::PaintGlyphs() {
    std::memset(m_fTexCoords, 0, sizeof(m_fTexCoords));

    HDC hDC = CreateCompatibleDC(nullptr);
    if (hDC == nullptr) {
        return E_FAIL;
    }

    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = static_cast<LONG>(m_dwTexWidth);
    bmi.bmiHeader.biHeight = -static_cast<LONG>(m_dwTexHeight);
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biCompression = BI_RGB;
    bmi.bmiHeader.biBitCount = 32;

    DWORD* pBitmapBits = nullptr;
    HBITMAP hbmBitmap = CreateDIBSection(hDC, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&pBitmapBits), nullptr, 0);
    if (hbmBitmap == nullptr || pBitmapBits == nullptr) {
        DeleteDC(hDC);
        return E_FAIL;
    }
    SetMapMode(hDC, MM_TEXT);

    const INT nHeight =
        -MulDiv(static_cast<int>(m_dwFontHeight),
                static_cast<int>(static_cast<float>(GetDeviceCaps(hDC, LOGPIXELSY)) * m_fTextScale), 72);
    const INT nWeight = (m_dwFontFlags & FONT_BOLD) != 0 ? FW_BOLD : FW_NORMAL;
    const DWORD dwItalic = (m_dwFontFlags & FONT_ITALIC) != 0 ? TRUE : FALSE;
    HFONT hFont = CreateFontA(nHeight, 0, 0, 0, nWeight, dwItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, m_szFontName);
    if (hFont == nullptr) {
        DeleteObject(hbmBitmap);
        DeleteDC(hDC);
        return E_FAIL;
    }

    SelectObject(hDC, hbmBitmap);
    SelectObject(hDC, hFont);
    SetTextColor(hDC, RGB(255, 255, 255));
    SetBkColor(hDC, 0x00000000);
    SetTextAlign(hDC, TA_TOP);

    DWORD x = 0;
    DWORD y = 0;
    char str[2] = "x";
    for (int c = 32; c < 127; ++c) {
        str[0] = static_cast<char>(c);
        SIZE size = {};
        GetTextExtentPoint32A(hDC, str, 1, &size);
        const auto cx = static_cast<DWORD>(size.cx);
        const auto cy = static_cast<DWORD>(size.cy);

        if (x + cx + 1 > m_dwTexWidth) {
            x = 0;
            y += cy + 1;
        }
        // A glyph that would run past the bottom of the sheet ends the packing;
        // the remaining characters keep empty rectangles and draw nothing.
        if (y + cy > m_dwTexHeight || cx > m_dwTexWidth) {
            break;
        }

        ExtTextOutA(hDC, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, str, 1, nullptr);

        float* rect = m_fTexCoords[c - 32];
        rect[0] = static_cast<float>(x) / static_cast<float>(m_dwTexWidth);
        rect[1] = static_cast<float>(y) / static_cast<float>(m_dwTexHeight);
        rect[2] = static_cast<float>(x + cx) / static_cast<float>(m_dwTexWidth);
        rect[3] = static_cast<float>(y + cy) / static_cast<float>(m_dwTexHeight);

        x += cx + 1;
    }

    D3DLOCKED_RECT locked = {};
    HRESULT hr = m_pTexture->LockRect(0, &locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        auto* pDstRow = static_cast<BYTE*>(locked.pBits);
        for (DWORD row = 0; row < m_dwTexHeight; ++row) {
            auto* pDst16 = reinterpret_cast<WORD*>(pDstRow);
            for (DWORD col = 0; col < m_dwTexWidth; ++col) {
                const BYTE bAlpha = static_cast<BYTE>((pBitmapBits[m_dwTexWidth * row + col] & 0xFF) >> 4);
                *pDst16++ = bAlpha > 0 ? static_cast<WORD>((bAlpha << 12) | 0x0FFF) : static_cast<WORD>(0x0000);
            }
            pDstRow += locked.Pitch;
        }
        m_pTexture->UnlockRect(0);
    }

    DeleteObject(hbmBitmap);
    DeleteDC(hDC);
    DeleteObject(hFont);
    return FAILED(hr) ? hr : S_OK;
}

void BitmapFont::RecordStateBlock(DWORD* token) {
    m_pd3dDevice->BeginStateBlock();
    m_pd3dDevice->SetTexture(0, m_pTexture);

    m_pd3dDevice->SetRenderState(D3DRS_ZENABLE, (m_dwFontFlags & FONT_DEPTH_TEST) != 0 ? TRUE : FALSE);
    m_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pd3dDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_ALPHAREF, 0x08);
    m_pd3dDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    m_pd3dDevice->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    m_pd3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    m_pd3dDevice->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    m_pd3dDevice->SetRenderState(D3DRS_CLIPPING, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_EDGEANTIALIAS, FALSE);
    m_pd3dDevice->SetRenderState(D3DRS_CLIPPLANEENABLE, 0);
    m_pd3dDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    m_pd3dDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    m_pd3dDevice->SetRenderState(D3DRS_FOGENABLE, FALSE);

    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_POINT);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_POINT);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    m_pd3dDevice->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
    m_pd3dDevice->SetTextureStageState(1, D3DTSS_ALPHAOP, D3DTOP_DISABLE);

    m_pd3dDevice->EndStateBlock(token);
}

HRESULT BitmapFont::OnDeviceRestored() {
    if (m_pd3dDevice == nullptr) {
        return E_FAIL;
    }
    const HRESULT hr = m_pd3dDevice->CreateVertexBuffer(
        kMaxVertices * sizeof(FontVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, &m_pVB);
    if (FAILED(hr)) {
        return hr;
    }
    // The same states twice: one block keeps the caller's values, the other sets ours.
    RecordStateBlock(&m_dwSavedStateBlock);
    RecordStateBlock(&m_dwDrawTextStateBlock);
    return S_OK;
}

HRESULT BitmapFont::OnDeviceLost() {
    ReleaseInterface(m_pVB);
    if (m_pd3dDevice != nullptr) {
        if (m_dwSavedStateBlock != 0) {
            m_pd3dDevice->DeleteStateBlock(m_dwSavedStateBlock);
        }
        if (m_dwDrawTextStateBlock != 0) {
            m_pd3dDevice->DeleteStateBlock(m_dwDrawTextStateBlock);
        }
    }
    m_dwSavedStateBlock = 0;
    m_dwDrawTextStateBlock = 0;
    return S_OK;
}

HRESULT BitmapFont::OnDeviceDestroyed() {
    ReleaseInterface(m_pTexture);
    m_pd3dDevice = nullptr;
    return S_OK;
}

HRESULT BitmapFont::DrawString(float sx, float sy, D3DCOLOR color, const char* text, DWORD drawFlags) {
    // Drawing needs the restored objects as well as the device.
    if (m_pd3dDevice == nullptr || m_pVB == nullptr || text == nullptr) {
        return E_FAIL;
    }

    m_pd3dDevice->CaptureStateBlock(m_dwSavedStateBlock);
    m_pd3dDevice->ApplyStateBlock(m_dwDrawTextStateBlock);
    m_pd3dDevice->SetVertexShader(kFontFvf);
    m_pd3dDevice->SetPixelShader(0);
    m_pd3dDevice->SetStreamSource(0, m_pVB, sizeof(FontVertex));

    if ((drawFlags & DRAW_FILTERED) != 0) {
        m_pd3dDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }

    const float fStartX = sx;
    FontVertex* pVertices = nullptr;
    DWORD dwNumTriangles = 0;
    if (FAILED(m_pVB->Lock(0, 0, reinterpret_cast<BYTE**>(&pVertices), D3DLOCK_DISCARD))) {
        m_pd3dDevice->ApplyStateBlock(m_dwSavedStateBlock);
        return E_FAIL;
    }

    const float fTexWidth = static_cast<float>(m_dwTexWidth);
    const float fTexHeight = static_cast<float>(m_dwTexHeight);
    for (const char* p = text; *p != 0; ++p) {
        // Signed on purpose: bytes 128 to 255 fall below 32 and are skipped.
        const auto c = static_cast<signed char>(*p);
        if (c == '\n') {
            sx = fStartX;
            sy += (m_fTexCoords[0][3] - m_fTexCoords[0][1]) * fTexHeight;
        }
        if (c < 32) {
            continue;
        }

        const float* rect = m_fTexCoords[c - 32];
        const float tx1 = rect[0];
        const float ty1 = rect[1];
        const float tx2 = rect[2];
        const float ty2 = rect[3];
        const float w = (tx2 - tx1) * fTexWidth / m_fTextScale;
        const float h = (ty2 - ty1) * fTexHeight / m_fTextScale;

        if (c != ' ') {
            *pVertices++ = MakeVertex(sx + 0, sy + h, color, tx1, ty2);
            *pVertices++ = MakeVertex(sx + 0, sy + 0, color, tx1, ty1);
            *pVertices++ = MakeVertex(sx + w, sy + h, color, tx2, ty2);
            *pVertices++ = MakeVertex(sx + w, sy + 0, color, tx2, ty1);
            *pVertices++ = MakeVertex(sx + w, sy + h, color, tx2, ty2);
            *pVertices++ = MakeVertex(sx + 0, sy + 0, color, tx1, ty1);
            dwNumTriangles += 2;

            if (dwNumTriangles * 3 > kMaxVertices - 6) {
                m_pVB->Unlock();
                m_pd3dDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, dwNumTriangles);
                pVertices = nullptr;
                if (FAILED(m_pVB->Lock(0, 0, reinterpret_cast<BYTE**>(&pVertices), D3DLOCK_DISCARD))) {
                    m_pd3dDevice->ApplyStateBlock(m_dwSavedStateBlock);
                    return E_FAIL;
                }
                dwNumTriangles = 0;
            }
        }
        sx += w;
    }

    m_pVB->Unlock();
    if (dwNumTriangles > 0) {
        m_pd3dDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, dwNumTriangles);
    }

    m_pd3dDevice->ApplyStateBlock(m_dwSavedStateBlock);
    return S_OK;
}
