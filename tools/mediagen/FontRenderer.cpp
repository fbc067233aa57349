#include "FontRenderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <vector>

FontRenderer::~FontRenderer() {
    if (m_pFace != nullptr) {
        FT_Done_Face(m_pFace);
    }
    if (m_pLibrary != nullptr) {
        FT_Done_FreeType(m_pLibrary);
    }
}

bool FontRenderer::Open(const std::string& szPattern) {
    FcConfig* pConfig = FcInitLoadConfigAndFonts();
    if (pConfig == nullptr) {
        return false;
    }
    FcPattern* pPattern = FcNameParse(reinterpret_cast<const FcChar8*>(szPattern.c_str()));
    FcConfigSubstitute(pConfig, pPattern, FcMatchPattern);
    FcDefaultSubstitute(pPattern);
    FcResult result = FcResultNoMatch;
    FcPattern* pMatch = FcFontMatch(pConfig, pPattern, &result);
    FcChar8* pFile = nullptr;
    if (pMatch != nullptr && FcPatternGetString(pMatch, FC_FILE, 0, &pFile) == FcResultMatch) {
        m_szFile = reinterpret_cast<const char*>(pFile);
    }
    if (pMatch != nullptr) {
        FcPatternDestroy(pMatch);
    }
    FcPatternDestroy(pPattern);
    FcConfigDestroy(pConfig);
    if (m_szFile.empty() || FT_Init_FreeType(&m_pLibrary) != 0) {
        return false;
    }
    return FT_New_Face(m_pLibrary, m_szFile.c_str(), 0, &m_pFace) == 0;
}

void FontRenderer::DrawCentred(Image& image, const std::string& szText, float fX, float fY, float fPixelHeight,
                               float fWidthScale, const Rgba& colour, float fSoften) {
    if (m_pFace == nullptr) {
        return;
    }
    FT_Set_Pixel_Sizes(m_pFace, 0, static_cast<FT_UInt>(std::lround(fPixelHeight)));
    FT_Matrix scale;
    scale.xx = static_cast<FT_Fixed>(std::lround(fWidthScale * 65536.0f));
    scale.xy = 0;
    scale.yx = 0;
    scale.yy = 0x10000;
    FT_Set_Transform(m_pFace, &scale, nullptr);

    // Lay the string out into a coverage buffer first, so it can be centred on its ink.
    const int nW = static_cast<int>(fPixelHeight * 1.5f * static_cast<float>(szText.size())) + 8;
    const int nH = static_cast<int>(fPixelHeight * 2.0f) + 8;
    const int nBaseline = static_cast<int>(fPixelHeight * 1.4f);
    std::vector<float> coverage(static_cast<size_t>(nW) * nH, 0.0f);
    int nPen = 4;
    for (char ch : szText) {
        if (FT_Load_Char(m_pFace, static_cast<unsigned char>(ch), FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot pSlot = m_pFace->glyph;
        const FT_Bitmap& bitmap = pSlot->bitmap;
        for (unsigned int row = 0; row < bitmap.rows; ++row) {
            for (unsigned int col = 0; col < bitmap.width; ++col) {
                const int x = nPen + pSlot->bitmap_left + static_cast<int>(col);
                const int y = nBaseline - pSlot->bitmap_top + static_cast<int>(row);
                if (x >= 0 && y >= 0 && x < nW && y < nH) {
                    const float f = static_cast<float>(bitmap.buffer[row * bitmap.pitch + col]) / 255.0f;
                    float& c = coverage[static_cast<size_t>(y) * nW + x];
                    c = std::max(c, f);
                }
            }
        }
        nPen += static_cast<int>(pSlot->advance.x >> 6);
    }
    if (fSoften > 0.0f) {
        // Separable box blur, twice, approximates a soft glow.
        const int r = std::max(1, static_cast<int>(std::lround(fSoften)));
        std::vector<float> tmp(coverage.size());
        for (int pass = 0; pass < 2; ++pass) {
            for (int y = 0; y < nH; ++y) {
                for (int x = 0; x < nW; ++x) {
                    float s = 0.0f;
                    for (int k = -r; k <= r; ++k) {
                        s += coverage[static_cast<size_t>(y) * nW + std::clamp(x + k, 0, nW - 1)];
                    }
                    tmp[static_cast<size_t>(y) * nW + x] = s / static_cast<float>(2 * r + 1);
                }
            }
            for (int y = 0; y < nH; ++y) {
                for (int x = 0; x < nW; ++x) {
                    float s = 0.0f;
                    for (int k = -r; k <= r; ++k) {
                        s += tmp[static_cast<size_t>(std::clamp(y + k, 0, nH - 1)) * nW + x];
                    }
                    coverage[static_cast<size_t>(y) * nW + x] =
                        std::min(1.0f, 2.0f * s / static_cast<float>(2 * r + 1));
                }
            }
        }
    }
    int nMinX = nW, nMaxX = -1, nMinY = nH, nMaxY = -1;
    for (int y = 0; y < nH; ++y) {
        for (int x = 0; x < nW; ++x) {
            if (coverage[static_cast<size_t>(y) * nW + x] > 0.0f) {
                nMinX = std::min(nMinX, x);
                nMaxX = std::max(nMaxX, x);
                nMinY = std::min(nMinY, y);
                nMaxY = std::max(nMaxY, y);
            }
        }
    }
    if (nMaxX < 0) {
        return;
    }
    const int nOffX = static_cast<int>(std::lround(fX - static_cast<float>(nMinX + nMaxX + 1) * 0.5f));
    const int nOffY = static_cast<int>(std::lround(fY - static_cast<float>(nMinY + nMaxY + 1) * 0.5f));
    for (int y = nMinY; y <= nMaxY; ++y) {
        for (int x = nMinX; x <= nMaxX; ++x) {
            image.Blend(x + nOffX, y + nOffY, colour, coverage[static_cast<size_t>(y) * nW + x]);
        }
    }
}
