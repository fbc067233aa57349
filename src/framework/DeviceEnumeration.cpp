// Building the device table: every adapter, the hardware and reference device
// types, the full-screen modes each can use, and the first choice of device.
// The phases, in order: an adapter's modes and the formats they use
// (ListAdapterModes); each device type on it (AddDeviceType); which formats
// that type renders to and with what vertex processing and depth buffer
// (CheckFormats, AcceptedBehavior); the first choice (ChooseFirstDevice).
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "framework/AppFrame.h"
#include "framework/ErrorReport.h"

namespace {

struct EnumMode {
    DWORD m_dwWidth;
    DWORD m_dwHeight;
    D3DFORMAT m_format;
};

struct DeviceTypeName {
    D3DDEVTYPE m_type;
    const char* m_szDesc;
};
constexpr DeviceTypeName kDeviceTypes[] = {{D3DDEVTYPE_HAL, "HAL"}, {D3DDEVTYPE_REF, "REF"}};

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

// The working lists of one adapter: its modes worth offering and the formats
// they use, the desktop's format first.
struct AppFrame::AdapterModes {
    EnumMode m_modes[kMaxEnumModes];
    DWORD m_dwNumModes = 0;
    D3DFORMAT m_formats[kMaxEnumFormats];
    DWORD m_dwNumFormats = 0;

    bool HasMode(const D3DDISPLAYMODE& mode) const {
        for (DWORD m = 0; m < m_dwNumModes; ++m) {
            if (m_modes[m].m_dwWidth == mode.Width && m_modes[m].m_dwHeight == mode.Height &&
                m_modes[m].m_format == mode.Format) {
                return true;
            }
        }
        return false;
    }

    // The format's place in the list; m_dwNumFormats when it is not listed.
    DWORD FormatIndex(D3DFORMAT format) const {
        DWORD f = 0;
        while (f < m_dwNumFormats && m_formats[f] != format) {
            ++f;
        }
        return f;
    }
};

// What one device type accepts for one of the adapter's formats.
struct AppFrame::FormatSupport {
    bool m_bConfirmed = false;
    DWORD m_dwBehavior = 0;
    D3DFORMAT m_depthFormat = D3DFMT_UNKNOWN;
};

// What the hardware device could do on any adapter, for the warning when only
// the reference device can be used.
struct AppFrame::HardwareFacts {
    bool m_bExists = false;
    bool m_bHasMode = false;
    bool m_bWindowedCompatible = false;
    bool m_bDesktopCompatible = false;

    HRESULT WhyNotHardware() const {
        if (!m_bExists) {
            return ERR_NO_HW_DEVICE;
        }
        if (!m_bHasMode) {
            return ERR_HW_LACKS_FEATURES;
        }
        if (!m_bWindowedCompatible) {
            return ERR_HW_NO_WINDOW;
        }
        if (!m_bDesktopCompatible) {
            return ERR_HW_NO_DESKTOP_WINDOW;
        }
        return ERR_HW_NO_MODE;
    }
};

HRESULT AppFrame::EnumerateDevices() {
    HardwareFacts facts;
    m_dwAdapterCount = 0;
    const UINT adapterCount = m_pD3D->GetAdapterCount();
    for (UINT a = 0; a < adapterCount && m_dwAdapterCount < kMaxAdapters; ++a) {
        // An adapter without a usable device leaves its slot to the next one.
        AdapterEntry& adapter = m_adapters[m_dwAdapterCount];
        std::memset(&adapter, 0, sizeof(adapter));
        adapter.m_uOrdinal = a;
        m_pD3D->GetAdapterIdentifier(a, D3DENUM_NO_WHQL_LEVEL, &adapter.m_identifier);
        m_pD3D->GetAdapterDisplayMode(a, &adapter.m_desktopMode);

        AdapterModes lists;
        ListAdapterModes(a, adapter.m_desktopMode.Format, &lists);
        for (const DeviceTypeName& type : kDeviceTypes) {
            if (AddDeviceType(a, type.m_type, type.m_szDesc, lists, &adapter.m_devices[adapter.m_dwNumDevices],
                              &facts)) {
                ++adapter.m_dwNumDevices;
            }
        }
        if (adapter.m_dwNumDevices > 0) {
            ++m_dwAdapterCount;
        }
    }

    if (m_dwAdapterCount == 0) {
        return ERR_NO_DEVICE;
    }
    return ChooseFirstDevice(facts);
}

// Modes smaller than 640 x 400 are not offered; each size and format is listed
// once. The lists are bounded: a mode that would not fit, or whose format
// would not, is dropped.
void AppFrame::ListAdapterModes(UINT ordinal, D3DFORMAT desktopFormat, AdapterModes* lists) const {
    lists->m_formats[lists->m_dwNumFormats++] = desktopFormat;
    const UINT modeCount = m_pD3D->GetAdapterModeCount(ordinal);
    for (UINT i = 0; i < modeCount; ++i) {
        D3DDISPLAYMODE mode = {};
        if (FAILED(m_pD3D->EnumAdapterModes(ordinal, i, &mode)) || mode.Width < 640 || mode.Height < 400 ||
            lists->HasMode(mode)) {
            continue;
        }
        const bool bNewFormat = lists->FormatIndex(mode.Format) == lists->m_dwNumFormats;
        if (lists->m_dwNumModes >= kMaxEnumModes || (bNewFormat && lists->m_dwNumFormats >= kMaxEnumFormats)) {
            continue;
        }
        lists->m_modes[lists->m_dwNumModes++] = {mode.Width, mode.Height, mode.Format};
        if (bNewFormat) {
            lists->m_formats[lists->m_dwNumFormats++] = mode.Format;
        }
    }
    std::qsort(lists->m_modes, lists->m_dwNumModes, sizeof(EnumMode), CompareModes);
}

// Fills the device's entry with the adapter's modes in the formats it
// confirms; false when it has none, and the entry is not counted.
BOOL AppFrame::AddDeviceType(UINT ordinal, D3DDEVTYPE type, const char* desc, const AdapterModes& lists,
                             DeviceEntry* device, HardwareFacts* facts) {
    // Everything else starts at zero: no modes, not windowed, no multisampling.
    std::memset(device, 0, sizeof(*device));
    device->m_deviceType = type;
    m_pD3D->GetDeviceCaps(ordinal, type, &device->m_d3dCaps);
    device->m_szDesc = desc;

    FormatSupport support[kMaxEnumFormats];
    CheckFormats(ordinal, *device, lists, support, facts);

    for (DWORD m = 0; m < lists.m_dwNumModes && device->m_dwNumModes < kMaxModesPerDevice; ++m) {
        const EnumMode& mode = lists.m_modes[m];
        const DWORD f = lists.FormatIndex(mode.m_format);
        if (f == lists.m_dwNumFormats || !support[f].m_bConfirmed) {
            continue;
        }
        device->m_modes[device->m_dwNumModes++] = {mode.m_dwWidth, mode.m_dwHeight, mode.m_format,
                                                   support[f].m_dwBehavior, support[f].m_depthFormat};
        if (type == D3DDEVTYPE_HAL) {
            facts->m_bHasMode = true;
        }
    }

    // Full-screen default: 640 x 480, in a 16-bit format when there is one.
    for (DWORD m = 0; m < device->m_dwNumModes; ++m) {
        if (device->m_modes[m].m_dwWidth == 640 && device->m_modes[m].m_dwHeight == 480) {
            device->m_dwCurrentMode = m;
            if (Is16BitFormat(device->m_modes[m].m_format)) {
                break;
            }
        }
    }

    // A window shares the desktop's format, the first in the list.
    if (support[0].m_bConfirmed && (device->m_d3dCaps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0) {
        device->m_bCanDoWindowed = TRUE;
        device->m_bWindowed = TRUE;
    }
    return device->m_dwNumModes > 0 ? TRUE : FALSE;
}

// For each format the device type renders to: the vertex processing the
// application accepts and, when it wants one, a depth format that goes with it.
void AppFrame::CheckFormats(UINT ordinal, const DeviceEntry& device, const AdapterModes& lists, FormatSupport* support,
                            HardwareFacts* facts) {
    const D3DCAPS8& caps = device.m_d3dCaps;
    for (DWORD f = 0; f < lists.m_dwNumFormats; ++f) {
        const D3DFORMAT format = lists.m_formats[f];
        if (FAILED(m_pD3D->CheckDeviceType(ordinal, device.m_deviceType, format, format, FALSE))) {
            continue;
        }
        if (device.m_deviceType == D3DDEVTYPE_HAL) {
            facts->m_bExists = true;
            if ((caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED) != 0) {
                facts->m_bWindowedCompatible = true;
                if (f == 0) {
                    facts->m_bDesktopCompatible = true;
                }
            }
        }
        FormatSupport& entry = support[f];
        entry.m_dwBehavior = AcceptedBehavior(caps, format);
        entry.m_bConfirmed =
            entry.m_dwBehavior != 0 &&
            (!m_bUseDepthBuffer || ChooseDepthFormat(ordinal, device.m_deviceType, format, &entry.m_depthFormat));
    }
}

// The strongest vertex processing the application accepts: pure hardware,
// hardware, mixed (each only with hardware transform and lighting), then
// software. 0 when it accepts none.
DWORD AppFrame::AcceptedBehavior(const D3DCAPS8& caps, D3DFORMAT format) {
    constexpr DWORD kPure = D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_PUREDEVICE;
    if ((caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) != 0) {
        for (DWORD behavior : {kPure, D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING}) {
            if (behavior == kPure && (caps.DevCaps & D3DDEVCAPS_PUREDEVICE) == 0) {
                continue;
            }
            if (SUCCEEDED(AcceptDevice(&caps, behavior, format))) {
                return behavior;
            }
        }
    }
    return SUCCEEDED(AcceptDevice(&caps, D3DCREATE_SOFTWARE_VERTEXPROCESSING, format))
               ? D3DCREATE_SOFTWARE_VERTEXPROCESSING
               : 0;
}

// The first device that can render in a window, from the start adapter on,
// becomes the current one; when that is the reference device, the user is
// told what the hardware lacked.
HRESULT AppFrame::ChooseFirstDevice(const HardwareFacts& facts) {
    DWORD first = 0;
    for (DWORD a = 0; a < m_dwAdapterCount; ++a) {
        first = m_adapters[a].m_uOrdinal == m_uStartAdapter ? a : first;
    }
    for (DWORD i = 0; i < m_dwAdapterCount; ++i) {
        const DWORD a = (first + i) % m_dwAdapterCount;
        AdapterEntry& adapter = m_adapters[a];
        for (DWORD d = 0; d < adapter.m_dwNumDevices; ++d) {
            if (!adapter.m_devices[d].m_bWindowed) {
                continue;
            }
            // A window given to draw in has no context of its own for a
            // hardware device: the reference device draws off screen and
            // its frames are put into the window. Not a fall-back, so no
            // warning.
            const bool bReference = adapter.m_devices[d].m_deviceType == D3DDEVTYPE_REF;
            if (IsScreensaver() && !bReference) {
                continue;
            }
            adapter.m_dwCurrentDevice = d;
            m_dwAdapter = a;
            m_bWindowed = TRUE;
            if (bReference && !IsScreensaver()) {
                ReportError(facts.WhyNotHardware(), MSG_SWITCHED_TO_REF);
            }
            return S_OK;
        }
    }
    return ERR_NO_WINDOW_MODE;
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
