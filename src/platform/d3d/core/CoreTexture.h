// A 2-D texture with its whole mip chain kept in memory.
#pragma once

#include <vector>

#include "platform/d3d/core/ResourceBase.h"

class CoreTexture final : public IDirect3DTexture8, public ResourceBase {
public:
    static constexpr UINT kMaxLevels = 16;

    // Arguments are checked by the device before it constructs one.
    CoreTexture(DeviceCore* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    // How many levels a full chain down to 1 x 1 has.
    static UINT FullChainLength(UINT width, UINT height);

    HRESULT QueryInterface(REFIID, void** object) override { return NoOtherInterface(object); }
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return GiveDevice(device); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return m_uLevels; }
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;

    // For backends: the stored bytes of each level, rows `LevelPitch` apart
    // (rows of 4 x 4 blocks for compressed formats).
    D3DFORMAT Format() const { return m_format; }
    UINT Width() const { return m_uWidth; }
    UINT Height() const { return m_uHeight; }
    UINT Levels() const { return m_uLevels; }
    UINT LevelWidth(UINT level) const;
    UINT LevelHeight(UINT level) const;
    UINT LevelPitch(UINT level) const;
    UINT LevelSize(UINT level) const;
    const BYTE* LevelBits(UINT level) const;
    bool IsLevelLocked(UINT level) const { return level < m_uLevels && m_bLocked[level]; }

private:
    ~CoreTexture() override = default;

    UINT m_uWidth;
    UINT m_uHeight;
    UINT m_uLevels;
    D3DFORMAT m_format;
    std::vector<BYTE> m_levelBits[kMaxLevels];
    bool m_bLocked[kMaxLevels] = {};
    bool m_bLockReadOnly[kMaxLevels] = {};
};
