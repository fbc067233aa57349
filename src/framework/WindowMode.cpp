// Switching between a window and full screen on the current device, falling
// back to a device that can render in a window, and the device choice command:
// a changed choice rebuilds the device.
#include "framework/AppFrame.h"
#include "framework/DeviceDialog.h"
#include "framework/ErrorReport.h"

HRESULT AppFrame::ChangeDeviceByDialog() {
    // The choice always starts from a windowed device.
    if (!m_bWindowed) {
        if (FAILED(ToggleWindowMode())) {
            ReportError(ERR_DEVICE_RESET, MSG_FATAL);
            return E_FAIL;
        }
    }

    RegisterDialogResource(&DeviceDialogResource());
    if (DialogBoxParamA(nullptr, MAKEINTRESOURCEA(IDD_SELECTDEVICE), m_hWnd, DeviceDialogProc,
                        reinterpret_cast<LPARAM>(this)) != IDOK) {
        return S_OK;
    }

    const AdapterEntry& adapter = m_adapters[m_dwAdapter];
    m_bWindowed = adapter.m_devices[adapter.m_dwCurrentDevice].m_bWindowed;
    return RebuildDevice();
}

HRESULT AppFrame::RebuildDevice() {
    OnDeviceLost();
    OnDeviceDestroyed();
    if (m_pd3dDevice != nullptr) {
        const ULONG references = m_pd3dDevice->Release();
        m_pd3dDevice = nullptr;
        if (references > 0) {
            return ReportError(ERR_LEAKED_OBJECT, MSG_FATAL);
        }
    }

    const HRESULT hr = StartDevice();
    if (FAILED(hr)) {
        return ReportError(hr, MSG_FATAL);
    }
    return S_OK;
}

HRESULT AppFrame::ToggleWindowMode() {
    AdapterEntry& adapter = m_adapters[m_dwAdapter];
    DeviceEntry& device = adapter.m_devices[adapter.m_dwCurrentDevice];

    if (!m_bWindowed && !device.m_bCanDoWindowed) {
        return FallBackToWindow();
    }
    HRESULT hr = S_OK;
    if (m_bWindowed && GoFullScreenOnWindowsAdapter(&hr)) {
        return hr;
    }

    m_bReady = FALSE;
    m_bWindowed = !m_bWindowed;
    device.m_bWindowed = m_bWindowed;
    ApplyWindowStyle();

    FillPresentParameters();

    if (SUCCEEDED(ResetDevice())) {
        if (m_bWindowed) {
            RestoreWindowBounds();
        }
        m_bReady = TRUE;
        return S_OK;
    }

    if (m_bWindowed) {
        return FallBackToWindow();
    }
    return E_FAIL;
}

DWORD AppFrame::AdapterOfWindow() const {
    const HMONITOR monitor = MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONULL);
    for (DWORD a = 0; a < m_dwAdapterCount && monitor != nullptr; ++a) {
        if (m_pD3D->GetAdapterMonitor(m_adapters[a].m_uOrdinal) == monitor) {
            return a;
        }
    }
    return m_dwAdapter;
}

BOOL AppFrame::GoFullScreenOnWindowsAdapter(HRESULT* result) {
    const DWORD target = AdapterOfWindow();
    if (target == m_dwAdapter) {
        return FALSE;
    }
    const D3DDEVTYPE type = m_adapters[m_dwAdapter].m_devices[m_adapters[m_dwAdapter].m_dwCurrentDevice].m_deviceType;
    AdapterEntry& adapter = m_adapters[target];
    for (DWORD d = 0; d < adapter.m_dwNumDevices; ++d) {
        if (adapter.m_devices[d].m_deviceType == type) {
            m_bReady = FALSE;
            m_dwAdapter = target;
            adapter.m_dwCurrentDevice = d;
            adapter.m_devices[d].m_bWindowed = FALSE;
            m_bWindowed = FALSE;
            *result = RebuildDevice();
            m_bReady = SUCCEEDED(*result);
            return TRUE;
        }
    }
    return FALSE;
}

HRESULT AppFrame::FallBackToWindow() {
    AdapterEntry* adapter = &m_adapters[m_dwAdapter];
    DeviceEntry* device = &adapter->m_devices[adapter->m_dwCurrentDevice];

    if (!device->m_bCanDoWindowed) {
        bool bFound = false;
        for (DWORD a = 0; a < m_dwAdapterCount && !bFound; ++a) {
            for (DWORD d = 0; d < m_adapters[a].m_dwNumDevices; ++d) {
                if (m_adapters[a].m_devices[d].m_bCanDoWindowed) {
                    m_dwAdapter = a;
                    m_adapters[a].m_dwCurrentDevice = d;
                    bFound = true;
                    break;
                }
            }
        }
        if (!bFound) {
            return E_FAIL;
        }
        adapter = &m_adapters[m_dwAdapter];
        device = &adapter->m_devices[adapter->m_dwCurrentDevice];
    }

    device->m_bWindowed = TRUE;
    m_bWindowed = TRUE;
    m_bReady = FALSE;

    const HRESULT hr = RebuildDevice();
    if (FAILED(hr)) {
        return hr;
    }
    m_bReady = TRUE;
    return S_OK;
}
