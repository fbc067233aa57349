// A font file opened with FreeType: metrics, advances and glyph coverage of
// 8-bit ANSI characters at a pixel size.
#pragma once

#include <cstdint>
#include <string>

struct FT_FaceRec_;

struct GlyphImage {
    int m_nLeft = 0;  // from the pen position
    int m_nTop = 0;   // above the baseline
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nPitch = 0;
    const std::uint8_t* m_pCoverage = nullptr;  // 0..255, valid until the next render
};

class FontFace {
public:
    // Faces live as long as the process; null when no font can be opened.
    static FontFace* Acquire(const char* family, bool bold, bool italic);

    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    // Em size in pixels for a font height as GDI takes it: negative is the
    // character height, positive the cell height, 0 a default.
    int EmPixelsForHeight(int height) const;
    int Ascent(int emPixels);
    int Descent(int emPixels);
    int Advance(int emPixels, unsigned char c);
    bool Render(int emPixels, unsigned char c, GlyphImage* image);

private:
    FontFace(FT_FaceRec_* face, std::string file, int index);
    void UseSize(int emPixels);
    bool Load(unsigned char c, bool render);

    FT_FaceRec_* m_pFace;
    std::string m_strFile;
    int m_nIndex;
    int m_nSizeSet = 0;
};
