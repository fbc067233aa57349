#include "platform/d3d/core/CoreVertexBuffer.h"

#include "platform/d3d/core/DeviceCore.h"

CoreVertexBuffer::CoreVertexBuffer(DeviceCore* device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : ResourceBase(device, D3DRTYPE_VERTEXBUFFER, pool, usage), m_dwFvf(fvf), m_bytes(length, 0) {}

HRESULT CoreVertexBuffer::QueryInterface(REFIID, void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

HRESULT CoreVertexBuffer::GetDevice(IDirect3DDevice8** device) {
    if (device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    Device()->AddRef();
    *device = Device();
    return D3D_OK;
}

HRESULT CoreVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    const UINT length = Length();
    if (data == nullptr || offsetToLock >= length || sizeToLock > length - offsetToLock) {
        return D3DERR_INVALIDCALL;
    }
    // Locks nest, as on the platform; the contents count as changed when any
    // of them could write.
    ++m_uLockCount;
    if ((flags & D3DLOCK_READONLY) == 0) {
        m_bWritten = true;
    }
    *data = m_bytes.data() + offsetToLock;
    return D3D_OK;
}

HRESULT CoreVertexBuffer::Unlock() {
    if (m_uLockCount == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (--m_uLockCount == 0 && m_bWritten) {
        m_bWritten = false;
        BumpVersion();
    }
    return D3D_OK;
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
