// Vertex data in memory; the backend copies it out when Version() changes.
#pragma once

#include "platform/d3d/core/BufferBytes.h"
#include "platform/d3d/core/ResourceBase.h"

class CoreVertexBuffer final : public IDirect3DVertexBuffer8, public ResourceBase {
public:
    CoreVertexBuffer(DeviceCore* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

    HRESULT QueryInterface(REFIID, void** object) override { return NoOtherInterface(object); }
    ULONG AddRef() override { return AddRefResource(); }
    ULONG Release() override { return ReleaseResource(); }
    HRESULT GetDevice(IDirect3DDevice8** device) override { return GiveDevice(device); }
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    // Size 0 locks from the offset to the end. Ranges past the end fail.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    UINT Length() const { return m_bytes.Length(); }
    DWORD Fvf() const { return m_dwFvf; }
    const BYTE* Bytes() const { return m_bytes.Bytes(); }
    bool IsLocked() const { return m_bytes.IsLocked(); }

private:
    ~CoreVertexBuffer() override = default;

    DWORD m_dwFvf;
    BufferBytes m_bytes;
};
