// The table of adapters, device types and full-screen modes the frame chooses
// its device from. Built once at start-up; afterwards only the current
// selections change.
#pragma once

#include "platform/d3d/D3D8.h"

constexpr DWORD kMaxAdapters = 10;
constexpr DWORD kMaxDevicesPerAdapter = 5;
constexpr DWORD kMaxModesPerDevice = 150;
// Limits of the working lists while one adapter is enumerated.
constexpr DWORD kMaxEnumModes = 100;
constexpr DWORD kMaxEnumFormats = 20;

struct ModeEntry {
    DWORD m_dwWidth;
    DWORD m_dwHeight;
    D3DFORMAT m_format;
    // The D3DCREATE_* vertex-processing flags accepted for this format.
    DWORD m_dwBehavior;
    // D3DFMT_UNKNOWN when no depth buffer is used.
    D3DFORMAT m_depthStencilFormat;
};

struct DeviceEntry {
    D3DDEVTYPE m_deviceType;
    D3DCAPS8 m_d3dCaps;
    const char* m_szDesc;
    BOOL m_bCanDoWindowed;
    DWORD m_dwNumModes;
    ModeEntry m_modes[kMaxModesPerDevice];
    DWORD m_dwCurrentMode;
    BOOL m_bWindowed;
    D3DMULTISAMPLE_TYPE m_multiSampleTypeWindowed;
    D3DMULTISAMPLE_TYPE m_multiSampleTypeFullscreen;
};

struct AdapterEntry {
    // The adapter's own number with the Direct3D object; an adapter without
    // a usable mode has no entry, so it differs from the entry's position.
    UINT m_uOrdinal;
    D3DADAPTER_IDENTIFIER8 m_identifier;
    D3DDISPLAYMODE m_desktopMode;
    DWORD m_dwNumDevices;
    DeviceEntry m_devices[kMaxDevicesPerAdapter];
    DWORD m_dwCurrentDevice;
};
