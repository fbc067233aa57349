#include "support/TableDirect3D.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
bool Contains(const std::vector<D3DFORMAT>& list, D3DFORMAT format) {
    return std::find(list.begin(), list.end(), format) != list.end();
}
}  // namespace

TableDeviceType TableDirect3D::Capable(D3DDEVTYPE type, std::vector<D3DFORMAT> formats, DWORD devCaps) {
    TableDeviceType device;
    device.m_caps.DeviceType = type;
    device.m_caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED;
    device.m_caps.DevCaps = devCaps;
    device.m_caps.MaxTextureWidth = 2048;
    device.m_caps.MaxTextureHeight = 2048;
    device.m_renderFormats = std::move(formats);
    device.m_depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
    return device;
}

const TableDeviceType* TableDirect3D::Find(UINT adapter, D3DDEVTYPE type) const {
    if (adapter >= m_adapters.size()) {
        return nullptr;
    }
    const TableDeviceType& device = type == D3DDEVTYPE_HAL ? m_adapters[adapter].m_hal : m_adapters[adapter].m_ref;
    return device.m_bPresent ? &device : nullptr;
}

HRESULT TableDirect3D::GetAdapterIdentifier(UINT adapter, DWORD, D3DADAPTER_IDENTIFIER8* identifier) {
    if (adapter >= m_adapters.size() || identifier == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::memset(identifier, 0, sizeof(*identifier));
    std::snprintf(identifier->Description, sizeof(identifier->Description), "%s", m_adapters[adapter].m_szDescription);
    return S_OK;
}

UINT TableDirect3D::GetAdapterModeCount(UINT adapter) {
    return adapter < m_adapters.size() ? static_cast<UINT>(m_adapters[adapter].m_modes.size()) : 0;
}

HRESULT TableDirect3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) {
    if (adapter >= m_adapters.size() || mode >= m_adapters[adapter].m_modes.size()) {
        return D3DERR_INVALIDCALL;
    }
    *displayMode = m_adapters[adapter].m_modes[mode];
    return S_OK;
}

HRESULT TableDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
    if (adapter >= m_adapters.size()) {
        return D3DERR_INVALIDCALL;
    }
    *displayMode = m_adapters[adapter].m_desktop;
    return S_OK;
}

HRESULT TableDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT, BOOL) {
    const TableDeviceType* device = Find(adapter, type);
    return device != nullptr && Contains(device->m_renderFormats, displayFormat) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT TableDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, DWORD usage, D3DRESOURCETYPE,
                                         D3DFORMAT checkFormat) {
    return usage == D3DUSAGE_DEPTHSTENCIL ? CheckDepthStencilMatch(adapter, type, format, format, checkFormat)
                                          : D3DERR_NOTAVAILABLE;
}

HRESULT TableDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT, BOOL,
                                                  D3DMULTISAMPLE_TYPE multiSampleType) {
    return Find(adapter, type) != nullptr && multiSampleType == D3DMULTISAMPLE_NONE ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT TableDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT, D3DFORMAT,
                                              D3DFORMAT depthStencilFormat) {
    const TableDeviceType* device = Find(adapter, type);
    return device != nullptr && Contains(device->m_depthFormats, depthStencilFormat) ? S_OK : D3DERR_NOTAVAILABLE;
}

HRESULT TableDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) {
    const TableDeviceType* device = Find(adapter, type);
    if (device == nullptr) {
        std::memset(caps, 0, sizeof(*caps));
        return D3DERR_NOTAVAILABLE;
    }
    *caps = device->m_caps;
    return S_OK;
}

HMONITOR TableDirect3D::GetAdapterMonitor(UINT adapter) {
    return adapter < m_adapters.size() ? m_adapters[adapter].m_hMonitor : nullptr;
}

HRESULT TableDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                    D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    m_createCalls.push_back({adapter, type, focusWindow, behaviorFlags, *parameters});
    *device = nullptr;
    const TableDeviceType* entry = Find(adapter, type);
    if (entry == nullptr) {
        return D3DERR_NOTAVAILABLE;
    }
    if (FAILED(entry->m_hrCreate)) {
        return entry->m_hrCreate;
    }
    if (!m_deviceFactory) {
        return E_FAIL;
    }
    return m_deviceFactory(m_createCalls.back(), device);
}
