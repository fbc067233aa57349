// The memory of a vertex or index buffer with the platform's lock rules.
#pragma once

#include <vector>

#include "platform/d3d/D3D8.h"

class BufferBytes {
public:
    explicit BufferBytes(UINT length) : m_bytes(length, 0) {}

    // Ranges past the end fail; size 0 reaches from the offset to the end.
    // Locks nest, as on the platform.
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, BYTE** data, DWORD flags);
    // *changed is set when the last lock ends and any of them could write.
    HRESULT Unlock(bool* changed);

    UINT Length() const { return static_cast<UINT>(m_bytes.size()); }
    const BYTE* Bytes() const { return m_bytes.data(); }
    bool IsLocked() const { return m_uLockCount > 0; }

private:
    std::vector<BYTE> m_bytes;
    UINT m_uLockCount = 0;
    bool m_bWritten = false;
};
