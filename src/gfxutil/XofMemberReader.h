// Reads the packed members of one X-file data object; every read is checked
// against the object's size, so a short or lying object never reads past it.
#pragma once

#include <vector>

#include "platform/xfile/DXFile.h"

class XofMemberReader {
public:
    // Polygons as one list of corners: polygon f is m_corners[m_starts[f]] up to
    // m_corners[m_starts[f + 1]], so reading a face allocates nothing of its own.
    struct Polygons {
        std::vector<DWORD> m_starts;
        std::vector<DWORD> m_corners;
        size_t Count() const { return m_starts.empty() ? 0 : m_starts.size() - 1; }
        DWORD Size(size_t f) const { return m_starts[f + 1] - m_starts[f]; }
        const DWORD* Corners(size_t f) const { return m_corners.data() + m_starts[f]; }
    };

    // The members of `data`; errors of the X-file runtime are passed on.
    HRESULT Open(IDirectXFileData* data);

    bool Dword(DWORD& out) { return Bytes(&out, 4); }
    bool Float(float& out) { return Bytes(&out, 4); }
    bool Floats(float* out, DWORD count) { return Bytes(out, 4ull * count); }
    bool Dwords(DWORD* out, DWORD count) { return Bytes(out, 4ull * count); }
    bool Pointer(const char*& out) { return Bytes(&out, sizeof(out)); }
    ULONGLONG Left() const { return m_dwSize - m_dwOffset; }
    // Whether `count` items of `itemBytes` each can still follow.
    bool Has(ULONGLONG count, ULONGLONG itemBytes) const { return count * itemBytes <= m_dwSize - m_dwOffset; }
    // Polygons: a count, then per face a corner count and its indices, each below `limit`.
    bool Faces(DWORD limit, Polygons& faces);

private:
    bool Bytes(void* out, ULONGLONG count);

    const BYTE* m_pData = nullptr;
    DWORD m_dwSize = 0;
    DWORD m_dwOffset = 0;
};
