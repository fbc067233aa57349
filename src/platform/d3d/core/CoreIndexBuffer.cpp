#include "platform/d3d/core/CoreIndexBuffer.h"

#include <algorithm>
#include <cstring>

#include "platform/d3d/core/DeviceCore.h"

CoreIndexBuffer::CoreIndexBuffer(DeviceCore* device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : ResourceBase(device, D3DRTYPE_INDEXBUFFER, pool, usage), m_format(format), m_bytes(length) {}

HRESULT CoreIndexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    return m_bytes.Lock(offsetToLock, sizeToLock, data, flags);
}

HRESULT CoreIndexBuffer::Unlock() {
    bool changed = false;
    HRESULT hr = m_bytes.Unlock(&changed);
    if (changed) {
        BumpVersion();
    }
    return hr;
}

HRESULT CoreIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
    if (desc == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    desc->Format = m_format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = Usage();
    desc->Pool = Pool();
    desc->Size = Length();
    return D3D_OK;
}

DWORD CoreIndexBuffer::MaxIndex(UINT start, UINT count) const {
    const bool whole = start == 0 && count == IndexCount();
    if (whole && m_bMaxIndexKnown && m_dwMaxIndexVersion == Version()) {
        return m_dwMaxIndex;
    }
    DWORD highest = 0;
    if (m_format == D3DFMT_INDEX32) {
        for (UINT i = start; i < start + count; ++i) {
            DWORD value = 0;
            std::memcpy(&value, m_bytes.Bytes() + 4 * static_cast<size_t>(i), 4);
            highest = std::max(highest, value);
        }
    } else {
        for (UINT i = start; i < start + count; ++i) {
            WORD value = 0;
            std::memcpy(&value, m_bytes.Bytes() + 2 * static_cast<size_t>(i), 2);
            highest = std::max<DWORD>(highest, value);
        }
    }
    if (whole) {
        m_dwMaxIndex = highest;
        m_dwMaxIndexVersion = Version();
        m_bMaxIndexKnown = true;
    }
    return highest;
}
