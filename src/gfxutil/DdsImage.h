// A DDS image file decoded into memory: one pixel format, a full chain of
// mip levels, no device involved. Every size is computed from the width,
// height and format; nothing the file says about sizes is used to address memory.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/d3d/D3D8.h"

class DdsImage {
public:
    // Largest edge accepted; the device's textures are no larger.
    static constexpr UINT kMaxEdge = 16384;

    struct Level {
        UINT m_uWidth;
        UINT m_uHeight;
        UINT m_uPitch;  // bytes per row; per row of 4x4 blocks for DXT formats
        std::vector<BYTE> m_bytes;
    };

    DdsImage() = default;

    // D3DXERR_INVALIDDATA for anything that is not a complete, supported DDS image,
    // E_OUTOFMEMORY (and no image) when memory runs out.
    // Levels the file lacks (or stores incompletely) are filtered down from the last good one.
    HRESULT Parse(const void* pData, size_t size);

    // Storage format: the file's own when it is A8R8G8B8, X8R8G8B8, R5G6B5,
    // X1R5G5B5, A1R5G5B5, A4R4G4B4 or DXT1/3/5; A8R8G8B8 for everything else.
    D3DFORMAT GetFormat() const { return m_format; }
    UINT GetWidth() const { return m_levels.empty() ? 0 : m_levels[0].m_uWidth; }
    UINT GetHeight() const { return m_levels.empty() ? 0 : m_levels[0].m_uHeight; }
    UINT GetLevelCount() const { return static_cast<UINT>(m_levels.size()); }
    // How many levels came from the file rather than the filter.
    UINT GetFileLevelCount() const { return m_uFileLevels; }
    const Level& GetLevel(UINT level) const { return m_levels[level]; }

    // Pixels of one level as 0xAARRGGBB, row by row (width x height values).
    void DecodeLevel(UINT level, std::vector<DWORD>& argb) const;
    // Re-stores every level as A8R8G8B8.
    void ConvertToA8R8G8B8();

    // Bytes per row and per level of a format this class stores; 0 for others.
    static UINT RowPitch(D3DFORMAT format, UINT width);
    static size_t LevelSize(D3DFORMAT format, UINT width, UINT height);
    // Levels of a full chain down to 1 x 1.
    static UINT FullChainLength(UINT width, UINT height);

private:
    void StoreLevel(UINT width, UINT height, const std::vector<DWORD>& argb, Level& out) const;
    void GenerateMissingLevels(UINT fullCount);

    D3DFORMAT m_format = D3DFMT_UNKNOWN;
    UINT m_uFileLevels = 0;
    std::vector<Level> m_levels;
};
