// Renders text with FreeType from a face that fontconfig resolves by name
// ("Arial:bold" and the like), composited into an Image.
#pragma once

#include <string>

#include "Image.h"

struct FT_LibraryRec_;
struct FT_FaceRec_;

class FontRenderer {
public:
    FontRenderer() = default;
    ~FontRenderer();
    FontRenderer(const FontRenderer&) = delete;
    FontRenderer& operator=(const FontRenderer&) = delete;

    // pattern: a fontconfig pattern; returns false when no face can be opened.
    bool Open(const std::string& szPattern);
    const std::string& FilePath() const { return m_szFile; }

    // Draws text centred on (fX, fY) with a pixel height for the em square;
    // fWidthScale narrows or widens the glyphs. fSoften blurs the coverage by
    // that many pixels (0: crisp), for glows and shadows.
    void DrawCentred(Image& image, const std::string& szText, float fX, float fY, float fPixelHeight, float fWidthScale,
                     const Rgba& colour, float fSoften = 0.0f);

private:
    FT_LibraryRec_* m_pLibrary = nullptr;
    FT_FaceRec_* m_pFace = nullptr;
    std::string m_szFile;
};
