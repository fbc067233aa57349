#include "platform/d3d/gl/GlDevice.h"

#include <memory>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlDirect3D.h"
#include "platform/win/DisplayList.h"
#include "platform/win/GlWindow.h"

HRESULT GlDevice::Create(GlDirect3D* direct3D, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    *device = nullptr;
    HWND window = parameters->hDeviceWindow != nullptr ? parameters->hDeviceWindow : focusWindow;
    if (type == D3DDEVTYPE_HAL && win::GetGlContext(window) == nullptr) {
        return D3DERR_NOTAVAILABLE;
    }
    const GlLimits& limits = direct3D->Limits(type);
    auto backend = std::make_unique<GlBackend>(type, window, limits, direct3D->RefreshRate(adapter));
    const HRESULT hr = backend->Create();
    if (FAILED(hr)) {
        return hr;
    }
    // Adapter k is display k: a device made on it brings the window there,
    // whose display full screen then uses.
    win::MoveWindowToDisplay(window, direct3D->SdlDisplay(adapter));
    DeviceCore::Creation creation;
    creation.m_pDirect3D = direct3D;
    creation.m_uAdapter = adapter;
    creation.m_deviceType = type;
    creation.m_hFocusWindow = focusWindow;
    creation.m_dwBehaviorFlags = behaviorFlags;
    limits.FillCaps(type, adapter, &creation.m_caps);
    return DeviceCore::Create(std::move(backend), creation, parameters, device);
}
