// 16- or 32-bit indices in memory; the backend copies them out when Version() changes.
#pragma once

#include <vector>

#include "platform/d3d/core/ResourceBase.h"

class CoreIndexBuffer final : public IDirect3DIndexBuffer8, public ResourceBase {
public:
    CoreIndexBuffer(DeviceCore* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    // Size 0 locks from the offset to the end. Ranges past the end fail.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    UINT Length() const { return static_cast<UINT>(m_bytes.size()); }
    D3DFORMAT Format() const { return m_format; }
    UINT IndexSize() const { return m_format == D3DFMT_INDEX32 ? 4u : 2u; }
    UINT IndexCount() const { return Length() / IndexSize(); }
    const BYTE* Bytes() const { return m_bytes.data(); }
    bool IsLocked() const { return m_uLockCount > 0; }
    // Largest index in [start, start + count), which the caller keeps inside
    // the buffer. The whole buffer's largest is remembered per version, so a
    // draw checks its vertex range without reading every index each time.
    DWORD MaxIndex(UINT start, UINT count) const;

private:
    ~CoreIndexBuffer() override = default;

    D3DFORMAT m_format;
    std::vector<BYTE> m_bytes;
    UINT m_uLockCount = 0;
    mutable DWORD m_dwMaxIndex = 0;
    mutable DWORD m_dwMaxIndexVersion = 0;
    mutable bool m_bMaxIndexKnown = false;
    bool m_bWritten = false;
};
