// 16- or 32-bit indices in memory; the backend copies them out when Version() changes.
#pragma once

#include "platform/d3d/core/BufferBytes.h"
#include "platform/d3d/core/ResourceBase.h"

class CoreIndexBuffer final : public IDirect3DIndexBuffer8, public ResourceBase {
public:
    CoreIndexBuffer(DeviceCore* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT QueryInterface(REFIID, void** object) override { return NoOtherInterface(object); }
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return GiveDevice(device); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    // Size 0 locks from the offset to the end. Ranges past the end fail.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    UINT Length() const { return m_bytes.Length(); }
    D3DFORMAT Format() const { return m_format; }
    UINT IndexSize() const { return m_format == D3DFMT_INDEX32 ? 4u : 2u; }
    UINT IndexCount() const { return Length() / IndexSize(); }
    const BYTE* Bytes() const { return m_bytes.Bytes(); }
    bool IsLocked() const { return m_bytes.IsLocked(); }
    // Largest index in [start, start + count), which the caller keeps inside
    // the buffer. The whole buffer's largest is remembered per version, so a
    // draw checks its vertex range without reading every index each time.
    DWORD MaxIndex(UINT start, UINT count) const;

private:
    ~CoreIndexBuffer() override = default;

    D3DFORMAT m_format;
    BufferBytes m_bytes;
    mutable DWORD m_dwMaxIndex = 0;
    mutable DWORD m_dwMaxIndexVersion = 0;
    mutable bool m_bMaxIndexKnown = false;
};
