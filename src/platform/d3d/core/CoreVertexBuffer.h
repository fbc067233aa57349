// Vertex data in memory; the backend copies it out when Version() changes.
#pragma once

#include <vector>

#include "platform/d3d/core/ResourceBase.h"

class CoreVertexBuffer final : public IDirect3DVertexBuffer8, public ResourceBase {
public:
    CoreVertexBuffer(DeviceCore* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    // Size 0 locks from the offset to the end. Ranges past the end fail.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    UINT Length() const { return static_cast<UINT>(m_bytes.size()); }
    DWORD Fvf() const { return m_dwFvf; }
    const BYTE* Bytes() const { return m_bytes.data(); }
    bool IsLocked() const { return m_uLockCount > 0; }

private:
    ~CoreVertexBuffer() override = default;

    DWORD m_dwFvf;
    std::vector<BYTE> m_bytes;
    UINT m_uLockCount = 0;
    bool m_bWritten = false;
};
