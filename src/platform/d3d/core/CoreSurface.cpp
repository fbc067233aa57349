#include "platform/d3d/core/CoreSurface.h"

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/FormatInfo.h"

CoreSurface::CoreSurface(DeviceCore* device, UINT width, UINT height, D3DFORMAT format)
    : ResourceBase(device, D3DRTYPE_SURFACE, D3DPOOL_SYSTEMMEM, 0), m_bBackBuffer(false) {
    m_uPitch = FormatInfo::Pitch(format, width);
    const UINT size = FormatInfo::ImageSize(format, width, height);
    m_desc = {format, D3DRTYPE_SURFACE, 0, D3DPOOL_SYSTEMMEM, size, D3DMULTISAMPLE_NONE, width, height};
    m_bits.assign(size, 0);
}

CoreSurface::CoreSurface(DeviceCore* device, const D3DSURFACE_DESC& backBufferDesc)
    : ResourceBase(device, D3DRTYPE_SURFACE, backBufferDesc.Pool, backBufferDesc.Usage),
      m_desc(backBufferDesc),
      m_bBackBuffer(true) {}

HRESULT CoreSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *desc = m_desc;
    return D3D_OK;
}

HRESULT CoreSurface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD) {
    // The back buffer lives in the backend and cannot be locked here.
    if (lockedRect == nullptr || m_bBackBuffer || m_bLocked) {
        return D3DERR_INVALIDCALL;
    }
    BYTE* bits = m_bits.data();
    if (rect != nullptr) {
        const bool compressed = FormatInfo::IsCompressed(m_desc.Format);
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > m_desc.Width || static_cast<UINT>(rect->bottom) > m_desc.Height) {
            return D3DERR_INVALIDCALL;
        }
        if (compressed && (rect->left % 4 != 0 || rect->top % 4 != 0)) {
            return D3DERR_INVALIDCALL;
        }
        const UINT unit = FormatInfo::BytesPerUnit(m_desc.Format);
        const UINT row = compressed ? static_cast<UINT>(rect->top) / 4 : static_cast<UINT>(rect->top);
        const UINT column = compressed ? static_cast<UINT>(rect->left) / 4 : static_cast<UINT>(rect->left);
        bits += static_cast<size_t>(row) * m_uPitch + static_cast<size_t>(column) * unit;
    }
    m_bLocked = true;
    lockedRect->Pitch = static_cast<INT>(m_uPitch);
    lockedRect->pBits = bits;
    return D3D_OK;
}

HRESULT CoreSurface::UnlockRect() {
    if (!m_bLocked) {
        return D3DERR_INVALIDCALL;
    }
    m_bLocked = false;
    BumpVersion();
    return D3D_OK;
}
