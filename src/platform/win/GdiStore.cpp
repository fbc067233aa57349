#include "platform/win/GdiStore.h"

#include <algorithm>

#include "platform/win/FontFace.h"

HBITMAP__::HBITMAP__(int width, int height, WORD bitsPixel, bool bottomUp)
    : GdiObject(GdiKind::Bitmap),
      m_nWidth(width),
      m_nHeight(height),
      m_wBitsPixel(bitsPixel),
      m_bBottomUp(bottomUp),
      m_pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

std::uint32_t* HBITMAP__::Row(int y) {
    int memoryRow = m_bBottomUp ? m_nHeight - 1 - y : y;
    return m_pixels.data() + static_cast<std::size_t>(memoryRow) * static_cast<std::size_t>(m_nWidth);
}

GdiStore& GdiStore::Instance() {
    static GdiStore store;
    return store;
}

GdiStore::~GdiStore() = default;

GdiObject* GdiStore::Find(HGDIOBJ handle) const {
    if (handle == nullptr) {
        return nullptr;
    }
    for (const std::unique_ptr<GdiObject>& object : m_objects) {
        if (object.get() == handle) {
            return object.get();
        }
    }
    return nullptr;
}

bool GdiStore::Delete(HGDIOBJ handle) {
    auto found = std::find_if(m_objects.begin(), m_objects.end(),
                              [handle](const std::unique_ptr<GdiObject>& object) { return object.get() == handle; });
    if (found == m_objects.end() || (*found)->m_bStock) {
        return false;
    }
    // A DC must not keep drawing with something that is gone.
    for (const std::unique_ptr<HDC__>& dc : m_dcs) {
        if (dc->m_hBitmap == handle) {
            dc->m_hBitmap = nullptr;
        }
        if (dc->m_hFont == handle) {
            dc->m_hFont = nullptr;
        }
    }
    m_objects.erase(found);
    return true;
}

HDC GdiStore::AddDc(std::unique_ptr<HDC__> dc) {
    HDC raw = dc.get();
    m_dcs.push_back(std::move(dc));
    return raw;
}

bool GdiStore::IsDc(HDC dc) const {
    return dc != nullptr && std::any_of(m_dcs.begin(), m_dcs.end(),
                                        [dc](const std::unique_ptr<HDC__>& owned) { return owned.get() == dc; });
}

bool GdiStore::DeleteDc(HDC dc) {
    auto found = std::find_if(m_dcs.begin(), m_dcs.end(),
                              [dc](const std::unique_ptr<HDC__>& owned) { return owned.get() == dc; });
    if (found == m_dcs.end()) {
        return false;
    }
    m_dcs.erase(found);
    return true;
}

HFONT GdiStore::DefaultFont() {
    if (m_hDefaultFont == nullptr) {
        auto font = std::make_unique<HFONT__>();
        font->m_pFace = FontFace::Acquire("Arial", false, false);
        if (font->m_pFace == nullptr) {
            return nullptr;
        }
        font->m_nEmPixels = font->m_pFace->EmPixelsForHeight(0);
        font->m_bStock = true;
        m_hDefaultFont = Add(std::move(font));
    }
    return m_hDefaultFont;
}
