#include "platform/d3d/record/FakeDirect3D.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/d3d/record/RecordingDevice.h"

namespace {

bool Contains(const std::vector<D3DFORMAT>& formats, D3DFORMAT format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

constexpr DWORD kVertexProcessing =
    D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;

}  // namespace

FakeDirect3D* FakeDirect3D::Create() {
    FakeDirect3D* d3d = new (std::nothrow) FakeDirect3D();
    if (d3d != nullptr) {
        d3d->m_adapters.push_back(TypicalAdapter("Recording display adapter"));
    }
    return d3d;
}

FakeDirect3D::Adapter FakeDirect3D::TypicalAdapter(const char* description) {
    Adapter adapter;
    std::snprintf(adapter.m_identifier.Driver, sizeof(adapter.m_identifier.Driver), "%s", "record");
    std::snprintf(adapter.m_identifier.Description, sizeof(adapter.m_identifier.Description), "%s", description);
    adapter.m_desktopMode = {1024, 768, 60, D3DFMT_X8R8G8B8};
    const UINT sizes[][2] = {{320, 240}, {640, 400}, {640, 480}, {800, 600}, {1024, 768}};
    for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5}) {
        for (const auto& size : sizes) {
            adapter.m_modes.push_back({size[0], size[1], 60, format});
            adapter.m_modes.push_back({size[0], size[1], 75, format});
        }
    }
    const std::vector<D3DFORMAT> display = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};
    const std::vector<D3DFORMAT> depth = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
    const std::vector<D3DFORMAT> textures = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5,
                                             D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4,
                                             D3DFMT_DXT1,     D3DFMT_DXT3,     D3DFMT_DXT5};
    for (DeviceTypeInfo* info : {&adapter.m_hal, &adapter.m_ref}) {
        info->m_displayFormats = display;
        info->m_depthFormats = depth;
        info->m_textureFormats = textures;
        info->m_dwMultiSampleMask = (1u << 2) | (1u << 4);
    }
    adapter.m_hal.m_caps = RecordingDeviceCaps(D3DDEVTYPE_HAL);
    adapter.m_ref.m_caps = RecordingDeviceCaps(D3DDEVTYPE_REF);
    adapter.m_ref.m_dwMultiSampleMask = 0;
    return adapter;
}

FakeDirect3D::DeviceTypeInfo* FakeDirect3D::FindDeviceType(UINT adapter, D3DDEVTYPE type) {
    if (adapter >= m_adapters.size()) {
        return nullptr;
    }
    if (type == D3DDEVTYPE_HAL) {
        return &m_adapters[adapter].m_hal;
    }
    if (type == D3DDEVTYPE_REF) {
        return &m_adapters[adapter].m_ref;
    }
    return nullptr;
}

HRESULT FakeDirect3D::QueryInterface(REFIID, void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

ULONG FakeDirect3D::Release() {
    if (m_ulRefs == 0) {
        return 0;
    }
    const ULONG left = --m_ulRefs;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT FakeDirect3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* identifier) {
    if (identifier == nullptr || adapter >= m_adapters.size()) {
        return D3DERR_INVALIDCALL;
    }
    *identifier = m_adapters[adapter].m_identifier;
    return D3D_OK;
}

UINT FakeDirect3D::GetAdapterModeCount(UINT adapter) {
    return adapter < m_adapters.size() ? static_cast<UINT>(m_adapters[adapter].m_modes.size()) : 0;
}

HRESULT FakeDirect3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) {
    if (displayMode == nullptr || adapter >= m_adapters.size() || mode >= m_adapters[adapter].m_modes.size()) {
        return D3DERR_INVALIDCALL;
    }
    *displayMode = m_adapters[adapter].m_modes[mode];
    return D3D_OK;
}

HRESULT FakeDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
    if (displayMode == nullptr || adapter >= m_adapters.size()) {
        return D3DERR_INVALIDCALL;
    }
    *displayMode = m_adapters[adapter].m_desktopMode;
    return D3D_OK;
}

HRESULT FakeDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                                      D3DFORMAT backBufferFormat, BOOL windowed) {
    const DeviceTypeInfo* info = FindDeviceType(adapter, checkType);
    if (info == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable || !Contains(info->m_displayFormats, displayFormat) || backBufferFormat != displayFormat) {
        return D3DERR_NOTAVAILABLE;
    }
    if (windowed && (info->m_caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) == 0) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

HRESULT FakeDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                        D3DRESOURCETYPE, D3DFORMAT checkFormat) {
    const DeviceTypeInfo* info = FindDeviceType(adapter, deviceType);
    if (info == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable || !Contains(info->m_displayFormats, adapterFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    const std::vector<D3DFORMAT>& allowed =
        (usage & D3DUSAGE_DEPTHSTENCIL) != 0 ? info->m_depthFormats : info->m_textureFormats;
    return Contains(allowed, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL,
                                                 D3DMULTISAMPLE_TYPE multiSampleType) {
    const DeviceTypeInfo* info = FindDeviceType(adapter, deviceType);
    if (info == nullptr || multiSampleType > D3DMULTISAMPLE_16_SAMPLES) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable || !Contains(info->m_displayFormats, surfaceFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (multiSampleType == D3DMULTISAMPLE_NONE) {
        return D3D_OK;
    }
    return (info->m_dwMultiSampleMask & (1u << multiSampleType)) != 0 ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT FakeDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                             D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
    const DeviceTypeInfo* info = FindDeviceType(adapter, deviceType);
    if (info == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable || !Contains(info->m_displayFormats, adapterFormat) ||
        !Contains(info->m_displayFormats, renderTargetFormat) || !Contains(info->m_depthFormats, depthStencilFormat) ||
        Contains(info->m_depthMismatches, depthStencilFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

HMONITOR FakeDirect3D::GetAdapterMonitor(UINT /*adapter*/) {
    return nullptr;  // on no display
}

HRESULT FakeDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) {
    const DeviceTypeInfo* info = FindDeviceType(adapter, deviceType);
    if (caps == nullptr || info == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable) {
        return D3DERR_NOTAVAILABLE;
    }
    *caps = info->m_caps;
    caps->DeviceType = deviceType;
    caps->AdapterOrdinal = adapter;
    return D3D_OK;
}

HRESULT FakeDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                   D3DPRESENT_PARAMETERS* presentationParameters,
                                   IDirect3DDevice8** returnedDeviceInterface) {
    ++m_uCreateCalls;
    if (returnedDeviceInterface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *returnedDeviceInterface = nullptr;
    const DeviceTypeInfo* info = FindDeviceType(adapter, deviceType);
    if (info == nullptr || presentationParameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    // Exactly one way of vertex processing must be asked for.
    const DWORD processing = behaviorFlags & kVertexProcessing;
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
        return D3DERR_INVALIDCALL;
    }
    if (!info->m_bAvailable) {
        return D3DERR_NOTAVAILABLE;
    }
    if (FAILED(info->m_hrCreate)) {
        return info->m_hrCreate;
    }
    const bool hardwareTnL = (info->m_caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0;
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && !hardwareTnL) {
        return D3DERR_INVALIDCALL;
    }
    if ((behaviorFlags & D3DCREATE_PUREDEVICE) != 0 &&
        ((info->m_caps.DevCaps & D3DDEVCAPS_PUREDEVICE) == 0 || processing != D3DCREATE_HARDWARE_VERTEXPROCESSING)) {
        return D3DERR_INVALIDCALL;
    }
    DeviceCore::Creation creation;
    creation.m_pDirect3D = this;
    creation.m_uAdapter = adapter;
    creation.m_deviceType = deviceType;
    creation.m_hFocusWindow = focusWindow;
    creation.m_dwBehaviorFlags = behaviorFlags;
    GetDeviceCaps(adapter, deviceType, &creation.m_caps);
    return CreateRecordingDevice(creation, presentationParameters, returnedDeviceInterface, nullptr);
}
