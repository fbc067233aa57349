#include "gfxutil/XofMemberReader.h"

#include <cstring>

HRESULT XofMemberReader::Open(IDirectXFileData* data) {
    DWORD size = 0;
    void* bytes = nullptr;
    const HRESULT hr = data->GetData(nullptr, &size, &bytes);
    if (FAILED(hr)) {
        return hr;
    }
    m_pData = static_cast<const BYTE*>(bytes);
    m_dwSize = bytes == nullptr ? 0 : size;
    m_dwOffset = 0;
    return S_OK;
}

bool XofMemberReader::Bytes(void* out, ULONGLONG count) {
    if (count > m_dwSize - m_dwOffset) {
        return false;
    }
    std::memcpy(out, m_pData + m_dwOffset, static_cast<size_t>(count));
    m_dwOffset += static_cast<DWORD>(count);
    return true;
}

bool XofMemberReader::Faces(DWORD limit, Polygons& faces) {
    DWORD count = 0;
    if (!Dword(count) || !Has(count, 4)) {  // at least the corner count of each face
        return false;
    }
    faces.m_starts.resize(size_t{count} + 1);
    faces.m_starts[0] = 0;
    // Each corner takes 4 of the bytes left, so they bound the corners: the list
    // is sized once and cut to what the faces hold.
    faces.m_corners.resize(static_cast<size_t>(Left() / 4));
    size_t used = 0;
    for (DWORD f = 0; f < count; ++f) {
        DWORD corners = 0;
        if (!Dword(corners) || !Has(corners, 4)) {
            return false;
        }
        DWORD* indices = faces.m_corners.data() + used;
        Dwords(indices, corners);
        for (DWORD c = 0; c < corners; ++c) {
            if (indices[c] >= limit) {
                return false;
            }
        }
        used += corners;
        faces.m_starts[f + 1] = static_cast<DWORD>(used);
    }
    faces.m_corners.resize(used);
    return true;
}
