#include "platform/win/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <memory>
#include <vector>

#include "platform/win/FontLocator.h"

namespace {
constexpr int kDefaultEmPixels = 16;

class FreeTypeLibrary {
public:
    FreeTypeLibrary() {
        if (FT_Init_FreeType(&m_library) != 0) {
            m_library = nullptr;
        }
    }
    ~FreeTypeLibrary();
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;
    FT_Library Get() const { return m_library; }
    std::vector<std::unique_ptr<FontFace>>& Faces() { return m_faces; }

private:
    FT_Library m_library = nullptr;
    std::vector<std::unique_ptr<FontFace>> m_faces;
};

FreeTypeLibrary::~FreeTypeLibrary() {
    // Faces go before the library that made them.
    m_faces.clear();
    if (m_library != nullptr) {
        FT_Done_FreeType(m_library);
    }
}

FreeTypeLibrary& Library() {
    static FreeTypeLibrary library;
    return library;
}

double FontUnits(FT_Face face, FT_Short value) {
    return static_cast<double>(value) / static_cast<double>(face->units_per_EM);
}
}  // namespace

FontFace* FontFace::Acquire(const char* family, bool bold, bool italic) {
    FreeTypeLibrary& library = Library();
    if (library.Get() == nullptr) {
        return nullptr;
    }
    std::string file;
    int index = 0;
    if (!FontLocator::Find(family, bold, italic, &file, &index)) {
        return nullptr;
    }
    for (const std::unique_ptr<FontFace>& face : library.Faces()) {
        if (face->m_strFile == file && face->m_nIndex == index) {
            return face.get();
        }
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library.Get(), file.c_str(), index, &face) != 0) {
        return nullptr;
    }
    library.Faces().push_back(std::unique_ptr<FontFace>(new FontFace(face, file, index)));
    return library.Faces().back().get();
}

FontFace::FontFace(FT_FaceRec_* face, std::string file, int index)
    : m_pFace(face), m_strFile(std::move(file)), m_nIndex(index) {}

FontFace::~FontFace() {
    FT_Done_Face(m_pFace);
}

int FontFace::EmPixelsForHeight(int height) const {
    if (height < 0) {
        return -height;
    }
    if (height == 0) {
        return kDefaultEmPixels;
    }
    double cell = FontUnits(m_pFace, m_pFace->ascender) - FontUnits(m_pFace, m_pFace->descender);
    int em = static_cast<int>(std::lround(static_cast<double>(height) / (cell > 0.0 ? cell : 1.0)));
    return em > 0 ? em : 1;
}

void FontFace::UseSize(int emPixels) {
    if (emPixels != m_nSizeSet) {
        FT_Set_Pixel_Sizes(m_pFace, 0, static_cast<FT_UInt>(emPixels));
        m_nSizeSet = emPixels;
    }
}

int FontFace::Ascent(int emPixels) {
    return static_cast<int>(std::ceil(FontUnits(m_pFace, m_pFace->ascender) * emPixels));
}

int FontFace::Descent(int emPixels) {
    return static_cast<int>(std::lround(-FontUnits(m_pFace, m_pFace->descender) * emPixels));
}

bool FontFace::Load(unsigned char c, bool render) {
    // ANSI bytes are taken as Latin-1 code points.
    FT_Int32 flags = FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL;
    if (render) {
        flags |= FT_LOAD_RENDER;
    }
    return FT_Load_Char(m_pFace, c, flags) == 0;
}

int FontFace::Advance(int emPixels, unsigned char c) {
    UseSize(emPixels);
    if (!Load(c, false)) {
        return 0;
    }
    return static_cast<int>((m_pFace->glyph->advance.x + 32) >> 6);
}

bool FontFace::Render(int emPixels, unsigned char c, GlyphImage* image) {
    UseSize(emPixels);
    if (!Load(c, true)) {
        return false;
    }
    FT_GlyphSlot slot = m_pFace->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return false;
    }
    image->m_nLeft = slot->bitmap_left;
    image->m_nTop = slot->bitmap_top;
    image->m_nWidth = static_cast<int>(slot->bitmap.width);
    image->m_nHeight = static_cast<int>(slot->bitmap.rows);
    image->m_nPitch = slot->bitmap.pitch;
    image->m_pCoverage = slot->bitmap.buffer;
    return true;
}
