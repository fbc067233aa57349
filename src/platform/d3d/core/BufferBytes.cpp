#include "platform/d3d/core/BufferBytes.h"

HRESULT BufferBytes::Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags) {
    const UINT length = Length();
    if (data == nullptr || offsetToLock >= length || sizeToLock > length - offsetToLock) {
        return D3DERR_INVALIDCALL;
    }
    ++m_uLockCount;
    if ((flags & D3DLOCK_READONLY) == 0) {
        m_bWritten = true;
    }
    *data = m_bytes.data() + offsetToLock;
    return D3D_OK;
}

HRESULT BufferBytes::Unlock(bool* changed) {
    *changed = false;
    if (m_uLockCount == 0) {
        return D3DERR_INVALIDCALL;
    }
    if (--m_uLockCount == 0 && m_bWritten) {
        m_bWritten = false;
        *changed = true;
    }
    return D3D_OK;
}
