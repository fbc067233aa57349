#include "platform/d3d/core/CoreVertexBuffer.h"

#include "platform/d3d/core/DeviceCore.h"

CoreVertexBuffer::CoreVertexBuffer(DeviceCore* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : ResourceBase(device, D3DRTYPE_VERTEXBUFFER, pool, usage), m_dwFvf(fvf), m_bytes(length) {}

HRESULT CoreVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    return m_bytes.Lock(offsetToLock, sizeToLock, data, flags);
}

HRESULT CoreVertexBuffer::Unlock() {
    bool changed = false;
    HRESULT hr = m_bytes.Unlock(&changed);
    if (changed) {
        BumpVersion();
    }
    return hr;
}

HRESULT CoreVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
    if (desc == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->Size = Length();
    desc->FVF = m_dwFvf;
    return D3D_OK;
}
