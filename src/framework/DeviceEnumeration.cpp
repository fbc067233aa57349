// Building the device table: every adapter, the hardware and reference device
// types, the full-screen modes each can use, and the first choice of device.
#include <cstdlib>
#include <cstring>

#include "framework/AppFrame.h"
#include "framework/ErrorReport.h"

namespace {

struct EnumMode {
    DWORD m_dwWidth;
    DWORD m_dwHeight;
    D3DFORMAT m_format;
};

// Formats descending (the 16-bit formats have the higher numbers), then sizes ascending.
int CompareModes(const void* a, const void* b) {
    const auto* lhs = static_cast<const EnumMode*>(a);
    const auto* rhs = static_cast<const EnumMode*>(b);
    const auto lhsFormat = static_cast<INT>(lhs->m_format);
    const auto rhsFormat = static_cast<INT>(rhs->m_format);
    if (lhsFormat != rhsFormat) {
        return lhsFormat > rhsFormat ? -1 : 1;
    }
    if (lhs->m_dwWidth != rhs->m_dwWidth) {
        return lhs->m_dwWidth < rhs->m_dwWidth ? -1 : 1;
    }
    if (lhs->m_dwHeight != rhs->m_dwHeight) {
        return lhs->m_dwHeight < rhs->m_dwHeight ? -1 : 1;
    }
    return 0;
}

bool Is16BitFormat(D3DFORMAT format) {
    return format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_A1R5G5B5;
}

}  // namespace

HRESULT AppFrame::EnumerateDevices() {
    // Facts for the warning when only the reference device can be used.
    BOOL bHalExists = FALSE;
    BOOL bHalHasMode = FALSE;
    BOOL bHalIsWindowedCompatible = FALSE;
    BOOL bHalIsDesktopCompatible = FALSE;

    static constexpr D3DDEVTYPE kDeviceTypes[] = {D3DDEVTYPE_HAL, D3DDEVTYPE_REF};
    static constexpr const char* kDeviceDescs[] = {"HAL", "REF"};

    m_dwAdapterCount = 0;
    const UINT adapterCount = m_pD3D->GetAdapterCount();
    for (UINT a = 0; a < adapterCount && m_dwAdapterCount < kMaxAdapters; ++a) {
        AdapterEntry& adapter = m_adapters[m_dwAdapterCount];
        std::memset(&adapter, 0, sizeof(adapter));
        adapter.m_uOrdinal = a;
        m_pD3D->GetAdapterIdentifier(a, D3DENUM_NO_WHQL_LEVEL, &adapter.m_identifier);
        m_pD3D->GetAdapterDisplayMode(a, &adapter.m_desktopMode);
        adapter.m_dwNumDevices = 0;
        adapter.m_dwCurrentDevice = 0;

        EnumMode modes[kMaxEnumModes];
        DWORD dwNumModes = 0;
        D3DFORMAT formats[kMaxEnumFormats];
        DWORD dwNumFormats = 0;
        formats[dwNumFormats++] = adapter.m_desktopMode.Format;

        const UINT adapterModeCount = m_pD3D->GetAdapterModeCount(a);
        for (UINT i = 0; i < adapterModeCount; ++i) {
            D3DDISPLAYMODE mode = {};
            if (FAILED(m_pD3D->EnumAdapterModes(a, i, &mode))) {
                continue;
            }
            if (mode.Width < 640 || mode.Height < 400) {
                continue;
            }
            bool bListed = false;
            for (DWORD m = 0; m < dwNumModes; ++m) {
                if (modes[m].m_dwWidth == mode.Width && modes[m].m_dwHeight == mode.Height &&
                    modes[m].m_format == mode.Format) {
                    bListed = true;
                    break;
                }
            }
            if (bListed) {
                continue;
            }
            // The working lists are bounded; a mode whose format would not fit is dropped.
            bool bFormatListed = false;
            for (DWORD f = 0; f < dwNumFormats; ++f) {
                if (formats[f] == mode.Format) {
                    bFormatListed = true;
                    break;
                }
            }
            if (dwNumModes >= kMaxEnumModes || (!bFormatListed && dwNumFormats >= kMaxEnumFormats)) {
                continue;
            }
            modes[dwNumModes++] = {mode.Width, mode.Height, mode.Format};
            if (!bFormatListed) {
                formats[dwNumFormats++] = mode.Format;
            }
        }

        std::qsort(modes, dwNumModes, sizeof(EnumMode), CompareModes);

        for (DWORD t = 0; t < 2; ++t) {
            DeviceEntry& device = adapter.m_devices[adapter.m_dwNumDevices];
            std::memset(&device, 0, sizeof(device));
            device.m_deviceType = kDeviceTypes[t];
            m_pD3D->GetDeviceCaps(a, device.m_deviceType, &device.m_d3dCaps);
            device.m_szDesc = kDeviceDescs[t];
            device.m_dwNumModes = 0;
            device.m_dwCurrentMode = 0;
            device.m_bCanDoWindowed = FALSE;
            device.m_bWindowed = FALSE;
            device.m_multiSampleTypeWindowed = D3DMULTISAMPLE_NONE;
            device.m_multiSampleTypeFullscreen = D3DMULTISAMPLE_NONE;

            const D3DCAPS8& caps = device.m_d3dCaps;
            const bool bHal = device.m_deviceType == D3DDEVTYPE_HAL;

            BOOL confirmed[kMaxEnumFormats] = {};
            DWORD behavior[kMaxEnumFormats] = {};
            D3DFORMAT depthFormat[kMaxEnumFormats] = {};

            for (DWORD f = 0; f < dwNumFormats; ++f) {
                confirmed[f] = FALSE;
                depthFormat[f] = D3DFMT_UNKNOWN;
                if (FAILED(m_pD3D->CheckDeviceType(a, device.m_deviceType, formats[f], formats[f], FALSE))) {
                    continue;
                }
                if (bHal) {
                    bHalExists = TRUE;
                    if ((caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0) {
                        bHalIsWindowedCompatible = TRUE;
                        if (f == 0) {
                            bHalIsDesktopCompatible = TRUE;
                        }
                    }
                }
                if ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0) {
                    if ((caps.DevCaps & D3DDEVCAPS_PUREDEVICE) != 0) {
                        behavior[f] = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
                        confirmed[f] = SUCCEEDED(AcceptDevice(&caps, behavior[f], formats[f]));
                    }
                    if (!confirmed[f]) {
                        behavior[f] = D3DCREATE_HARDWARE_VERTEXPROCESSING;
                        confirmed[f] = SUCCEEDED(AcceptDevice(&caps, behavior[f], formats[f]));
                    }
                    if (!confirmed[f]) {
                        behavior[f] = D3DCREATE_MIXED_VERTEXPROCESSING;
                        confirmed[f] = SUCCEEDED(AcceptDevice(&caps, behavior[f], formats[f]));
                    }
                }
                if (!confirmed[f]) {
                    behavior[f] = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
                    confirmed[f] = SUCCEEDED(AcceptDevice(&caps, behavior[f], formats[f]));
                }
                if (confirmed[f] && m_bUseDepthBuffer) {
                    if (!ChooseDepthFormat(a, device.m_deviceType, formats[f], &depthFormat[f])) {
                        confirmed[f] = FALSE;
                    }
                }
            }

            for (DWORD m = 0; m < dwNumModes && device.m_dwNumModes < kMaxModesPerDevice; ++m) {
                for (DWORD f = 0; f < dwNumFormats; ++f) {
                    if (formats[f] != modes[m].m_format || !confirmed[f]) {
                        continue;
                    }
                    device.m_modes[device.m_dwNumModes++] = {modes[m].m_dwWidth, modes[m].m_dwHeight, modes[m].m_format,
                                                             behavior[f], depthFormat[f]};
                    if (bHal) {
                        bHalHasMode = TRUE;
                    }
                    break;
                }
            }

            // Full-screen default: 640 x 480, in a 16-bit format when there is one.
            for (DWORD m = 0; m < device.m_dwNumModes; ++m) {
                if (device.m_modes[m].m_dwWidth == 640 && device.m_modes[m].m_dwHeight == 480) {
                    device.m_dwCurrentMode = m;
                    if (Is16BitFormat(device.m_modes[m].m_format)) {
                        break;
                    }
                }
            }

            if (confirmed[0] && (caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0) {
                device.m_bCanDoWindowed = TRUE;
                device.m_bWindowed = TRUE;
            }

            if (device.m_dwNumModes > 0) {
                adapter.m_dwNumDevices++;
            }
        }

        if (adapter.m_dwNumDevices > 0) {
            m_dwAdapterCount++;
        }
    }

    if (m_dwAdapterCount == 0) {
        return ERR_NO_DEVICE;
    }

    bool bChosen = false;
    for (DWORD a = 0; a < m_dwAdapterCount && !bChosen; ++a) {
        for (DWORD d = 0; d < m_adapters[a].m_dwNumDevices; ++d) {
            if (m_adapters[a].m_devices[d].m_bWindowed) {
                m_adapters[a].m_dwCurrentDevice = d;
                m_dwAdapter = a;
                m_bWindowed = TRUE;
                bChosen = true;
                break;
            }
        }
    }
    if (!bChosen) {
        return ERR_NO_WINDOW_MODE;
    }

    const AdapterEntry& chosenAdapter = m_adapters[m_dwAdapter];
    if (chosenAdapter.m_devices[chosenAdapter.m_dwCurrentDevice].m_deviceType == D3DDEVTYPE_REF) {
        HRESULT code = ERR_HW_NO_MODE;
        if (!bHalExists) {
            code = ERR_NO_HW_DEVICE;
        } else if (!bHalHasMode) {
            code = ERR_HW_LACKS_FEATURES;
        } else if (!bHalIsWindowedCompatible) {
            code = ERR_HW_NO_WINDOW;
        } else if (!bHalIsDesktopCompatible) {
            code = ERR_HW_NO_DESKTOP_WINDOW;
        }
        ReportError(code, MSG_SWITCHED_TO_REF);
    }
    return S_OK;
}

BOOL AppFrame::ChooseDepthFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT targetFormat, D3DFORMAT* depthFormat) {
    struct Candidate {
        D3DFORMAT m_format;
        DWORD m_dwDepthBits;
        DWORD m_dwStencilBits;
    };
    // Tried in this order; each only when it meets the frame's minimum bit counts.
    static constexpr Candidate kCandidates[] = {
        {D3DFMT_D16, 16, 0},   {D3DFMT_D15S1, 15, 1},   {D3DFMT_D24X8, 24, 0},
        {D3DFMT_D24S8, 24, 8}, {D3DFMT_D24X4S4, 24, 4}, {D3DFMT_D32, 32, 0},
    };
    for (const Candidate& candidate : kCandidates) {
        if (m_dwMinDepthBits > candidate.m_dwDepthBits || m_dwMinStencilBits > candidate.m_dwStencilBits) {
            continue;
        }
        if (SUCCEEDED(m_pD3D->CheckDeviceFormat(adapter, deviceType, targetFormat, D3DUSAGE_DEPTHSTENCIL,
                                                D3DRTYPE_SURFACE, candidate.m_format)) &&
            SUCCEEDED(
                m_pD3D->CheckDepthStencilMatch(adapter, deviceType, targetFormat, targetFormat, candidate.m_format))) {
            *depthFormat = candidate.m_format;
            return TRUE;
        }
    }
    return FALSE;
}
