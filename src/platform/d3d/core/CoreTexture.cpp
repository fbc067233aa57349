#include "platform/d3d/core/CoreTexture.h"

#include <algorithm>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/FormatInfo.h"

namespace {

// Checks a lock rectangle against a level; compressed formats lock whole blocks.
bool IsValidLockRect(const RECT& rect, UINT width, UINT height, bool compressed) {
    if (rect.left < 0 || rect.top < 0 || rect.left >= rect.right || rect.top >= rect.bottom) {
        return false;
    }
    if (static_cast<UINT>(rect.right) > width || static_cast<UINT>(rect.bottom) > height) {
        return false;
    }
    if (compressed) {
        const bool rightOk = rect.right % 4 == 0 || static_cast<UINT>(rect.right) == width;
        const bool bottomOk = rect.bottom % 4 == 0 || static_cast<UINT>(rect.bottom) == height;
        return rect.left % 4 == 0 && rect.top % 4 == 0 && rightOk && bottomOk;
    }
    return true;
}

}  // namespace

CoreTexture::CoreTexture(DeviceCore* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : ResourceBase(device, D3DRTYPE_TEXTURE, pool, usage), m_uWidth(width), m_uHeight(height), m_format(format) {
    const UINT full = FullChainLength(width, height);
    m_uLevels = levels == 0 ? full : std::min(levels, full);
    for (UINT level = 0; level < m_uLevels; ++level) {
        m_levelBits[level].assign(LevelSize(level), 0);
    }
}

UINT CoreTexture::FullChainLength(UINT width, UINT height) {
    UINT levels = 1;
    while ((width > 1 || height > 1) && levels < kMaxLevels) {
        width = std::max(1u, width / 2);
        height = std::max(1u, height / 2);
        ++levels;
    }
    return levels;
}

UINT CoreTexture::LevelWidth(UINT level) const {
    return level < m_uLevels ? std::max(1u, m_uWidth >> level) : 0;
}

UINT CoreTexture::LevelHeight(UINT level) const {
    return level < m_uLevels ? std::max(1u, m_uHeight >> level) : 0;
}

UINT CoreTexture::LevelPitch(UINT level) const {
    return FormatInfo::Pitch(m_format, LevelWidth(level));
}

UINT CoreTexture::LevelSize(UINT level) const {
    return FormatInfo::ImageSize(m_format, LevelWidth(level), LevelHeight(level));
}

const BYTE* CoreTexture::LevelBits(UINT level) const {
    return level < m_uLevels ? m_levelBits[level].data() : nullptr;
}

HRESULT CoreTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (desc == nullptr || level >= m_uLevels) {
        return D3DERR_INVALIDCALL;
    }
    desc->Format = m_format;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->Size = LevelSize(level);
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->Width = LevelWidth(level);
    desc->Height = LevelHeight(level);
    return D3D_OK;
}

HRESULT CoreTexture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    if (lockedRect == nullptr || level >= m_uLevels || m_bLocked[level]) {
        return D3DERR_INVALIDCALL;
    }
    const bool compressed = FormatInfo::IsCompressed(m_format);
    const UINT pitch = LevelPitch(level);
    BYTE* bits = m_levelBits[level].data();
    if (rect != nullptr) {
        if (!IsValidLockRect(*rect, LevelWidth(level), LevelHeight(level), compressed)) {
            return D3DERR_INVALIDCALL;
        }
        const UINT unit = FormatInfo::BytesPerUnit(m_format);
        const UINT row = compressed ? static_cast<UINT>(rect->top) / 4 : static_cast<UINT>(rect->top);
        const UINT column = compressed ? static_cast<UINT>(rect->left) / 4 : static_cast<UINT>(rect->left);
        bits += static_cast<size_t>(row) * pitch + static_cast<size_t>(column) * unit;
    }
    m_bLocked[level] = true;
    m_bLockReadOnly[level] = (flags & D3DLOCK_READONLY) != 0;
    lockedRect->Pitch = static_cast<INT>(pitch);
    lockedRect->pBits = bits;
    return D3D_OK;
}

HRESULT CoreTexture::UnlockRect(UINT level) {
    if (level >= m_uLevels || !m_bLocked[level]) {
        return D3DERR_INVALIDCALL;
    }
    m_bLocked[level] = false;
    if (!m_bLockReadOnly[level]) {
        BumpVersion();
    }
    return D3D_OK;
}
