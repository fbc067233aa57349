// The device: its description, the cursor, Reset and presentation.
#include <new>

#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/FormatInfo.h"

namespace {

// Limit that keeps a wild argument from asking for a huge cursor.
constexpr UINT kMaxCursorSize = 256;

}  // namespace

HRESULT DeviceCore::TestCooperativeLevel() {
    m_pBackend->OnDeviceCall("TestCooperativeLevel");
    return m_pBackend->TestCooperativeLevel();
}

HRESULT DeviceCore::GetDirect3D(IDirect3D8** d3d) {
    m_pBackend->OnDeviceCall("GetDirect3D");
    if (d3d == nullptr || m_creation.m_pDirect3D == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_creation.m_pDirect3D->AddRef();
    *d3d = m_creation.m_pDirect3D;
    return D3D_OK;
}

HRESULT DeviceCore::GetDeviceCaps(D3DCAPS8* caps) {
    m_pBackend->OnDeviceCall("GetDeviceCaps");
    if (caps == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *caps = m_creation.m_caps;
    return D3D_OK;
}

HRESULT DeviceCore::GetDisplayMode(D3DDISPLAYMODE* mode) {
    m_pBackend->OnDeviceCall("GetDisplayMode");
    if (mode == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (m_creation.m_pDirect3D != nullptr) {
        return m_creation.m_pDirect3D->GetAdapterDisplayMode(m_creation.m_uAdapter, mode);
    }
    *mode = {m_presentParameters.BackBufferWidth, m_presentParameters.BackBufferHeight, 0, BackBufferDesc().Format};
    return D3D_OK;
}

HRESULT DeviceCore::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    m_pBackend->OnDeviceCall("GetCreationParameters");
    if (parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *parameters = {m_creation.m_uAdapter, m_creation.m_deviceType, m_creation.m_hFocusWindow,
                   m_creation.m_dwBehaviorFlags};
    return D3D_OK;
}

HRESULT DeviceCore::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface8* cursorBitmap) {
    m_pBackend->OnDeviceCall("SetCursorProperties");
    CoreSurface* surface = OwnResource<IDirect3DSurface8, CoreSurface>(cursorBitmap);
    if (surface == nullptr || surface->IsBackBuffer() || surface->IsLocked() || surface->Format() != D3DFMT_A8R8G8B8) {
        return D3DERR_INVALIDCALL;
    }
    if (surface->Width() > kMaxCursorSize || surface->Height() > kMaxCursorSize || xHotSpot >= surface->Width() ||
        yHotSpot >= surface->Height()) {
        return D3DERR_INVALIDCALL;
    }
    return m_pBackend->SetCursorProperties(xHotSpot, yHotSpot, *surface);
}

void DeviceCore::SetCursorPosition(int x, int y, DWORD flags) {
    m_pBackend->OnDeviceCall("SetCursorPosition");
    m_pBackend->SetCursorPosition(x, y, flags);
}

BOOL DeviceCore::ShowCursor(BOOL show) {
    m_pBackend->OnDeviceCall("ShowCursor");
    const bool previous = m_bCursorVisible;
    m_bCursorVisible = show != FALSE;
    m_pBackend->ShowCursor(m_bCursorVisible);
    return previous ? TRUE : FALSE;
}

HRESULT DeviceCore::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    m_pBackend->OnDeviceCall("Reset");
    if (presentationParameters == nullptr || m_pRecording != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    // As on the platform: every default-pool resource must be gone first,
    // and a device still lost cannot be reset yet.
    if (m_dwLiveDefaultPool > 0) {
        return D3DERR_INVALIDCALL;
    }
    if (m_pBackend->TestCooperativeLevel() == D3DERR_DEVICELOST) {
        return D3DERR_DEVICELOST;
    }
    D3DPRESENT_PARAMETERS completed;
    const HRESULT hr = SetUpBackBuffer(*m_pBackend, *presentationParameters, completed);
    if (FAILED(hr)) {
        return hr;
    }
    m_presentParameters = completed;
    *presentationParameters = completed;
    UnbindAll(m_state);
    m_state.ResetToDefaults(m_presentParameters, m_creation.m_dwBehaviorFlags);
    m_bLayoutValid = false;
    m_bInScene = false;
    return D3D_OK;
}

HRESULT DeviceCore::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const RGNDATA*) {
    m_pBackend->OnDeviceCall("Present");
    return m_pBackend->Present(sourceRect, destRect, destWindowOverride);
}

D3DSURFACE_DESC DeviceCore::BackBufferDesc() const {
    D3DFORMAT format = m_presentParameters.BackBufferFormat;
    if (format == D3DFMT_UNKNOWN) {
        format = D3DFMT_X8R8G8B8;
    }
    const UINT width = m_presentParameters.BackBufferWidth;
    const UINT height = m_presentParameters.BackBufferHeight;
    return {format,
            D3DRTYPE_SURFACE,
            D3DUSAGE_RENDERTARGET,
            D3DPOOL_DEFAULT,
            FormatInfo::ImageSize(format, width, height),
            m_presentParameters.MultiSampleType,
            width,
            height};
}

HRESULT DeviceCore::GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) {
    m_pBackend->OnDeviceCall("GetBackBuffer");
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *surface = nullptr;
    const UINT count = m_presentParameters.BackBufferCount == 0 ? 1 : m_presentParameters.BackBufferCount;
    if (backBuffer >= count || type != D3DBACKBUFFER_TYPE_MONO) {
        return D3DERR_INVALIDCALL;
    }
    CoreSurface* created = new (std::nothrow) CoreSurface(this, BackBufferDesc());
    if (created == nullptr) {
        return E_OUTOFMEMORY;
    }
    *surface = created;
    return D3D_OK;
}

HRESULT DeviceCore::GetFrontBuffer(IDirect3DSurface8* destSurface) {
    m_pBackend->OnDeviceCall("GetFrontBuffer");
    CoreSurface* surface = OwnResource<IDirect3DSurface8, CoreSurface>(destSurface);
    const UINT width = m_presentParameters.BackBufferWidth;
    const UINT height = m_presentParameters.BackBufferHeight;
    if (surface == nullptr || surface->IsBackBuffer() || surface->IsLocked() || surface->Format() != D3DFMT_A8R8G8B8 ||
        surface->Width() < width || surface->Height() < height) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = m_pBackend->ReadFrontBuffer(width, height, surface->Bits(), surface->Pitch());
    if (SUCCEEDED(hr)) {
        surface->BumpVersion();
    }
    return hr;
}
