// An image surface (lockable memory, A8R8G8B8 and the other texture formats)
// or the device's back buffer (description only; not lockable).
#pragma once

#include <vector>

#include "platform/d3d/core/ResourceBase.h"

class CoreSurface final : public IDirect3DSurface8, public ResourceBase {
public:
    // An image surface in system memory.
    CoreSurface(DeviceCore* device, UINT width, UINT height, D3DFORMAT format);
    // The back buffer as GetBackBuffer hands it out.
    CoreSurface(DeviceCore* device, const D3DSURFACE_DESC& backBufferDesc);

    HRESULT QueryInterface(REFIID, void** object) override { return NoOtherInterface(object); }
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return GiveDevice(device); }
    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    bool IsBackBuffer() const { return m_bBackBuffer; }
    bool IsLocked() const { return m_bLocked; }
    D3DFORMAT Format() const { return m_desc.Format; }
    UINT Width() const { return m_desc.Width; }
    UINT Height() const { return m_desc.Height; }
    UINT Pitch() const { return m_uPitch; }
    // Pixel rows `Pitch` apart; null for the back buffer.
    BYTE* Bits() { return m_bits.empty() ? nullptr : m_bits.data(); }
    const BYTE* Bits() const { return m_bits.empty() ? nullptr : m_bits.data(); }

private:
    ~CoreSurface() override = default;

    D3DSURFACE_DESC m_desc;
    bool m_bBackBuffer;
    UINT m_uPitch = 0;
    std::vector<BYTE> m_bits;
    bool m_bLocked = false;
};
