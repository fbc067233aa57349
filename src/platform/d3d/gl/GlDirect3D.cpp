#include "platform/d3d/gl/GlDirect3D.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/d3d/gl/EglContext.h"
#include "platform/d3d/gl/GlDevice.h"
#include "platform/win/DisplayConnection.h"
#include "platform/win/DisplayList.h"
#include "platform/win/DisplayScale.h"
#include "platform/win/GlWindow.h"
#include "platform/win/HostWindow.h"

namespace {

// The formats a mode can be shown in: the GL framebuffer gives 32-bit and
// 16-bit colour.
constexpr D3DFORMAT kModeFormats[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5};

// What a display of unknown size is taken to show.
constexpr D3DDISPLAYMODE kDefaultDesktop = {1024, 768, 60, D3DFMT_X8R8G8B8};

D3DFORMAT FormatOfSdlMode(Uint32 sdlFormat) {
    return SDL_BITSPERPIXEL(sdlFormat) == 16 ? D3DFMT_R5G6B5 : D3DFMT_X8R8G8B8;
}

void AddMode(std::vector<D3DDISPLAYMODE>& modes, UINT width, UINT height, UINT refresh, D3DFORMAT format) {
    for (const D3DDISPLAYMODE& mode : modes) {
        if (mode.Width == width && mode.Height == height && mode.RefreshRate == refresh && mode.Format == format) {
            return;
        }
    }
    modes.push_back(D3DDISPLAYMODE{width, height, refresh, format});
}

D3DDISPLAYMODE ModeIn(const SDL_DisplayMode& mode, int scale) {
    return D3DDISPLAYMODE{static_cast<UINT>(mode.w / scale), static_cast<UINT>(mode.h / scale),
                          static_cast<UINT>(mode.refresh_rate), FormatOfSdlMode(mode.format)};
}

bool IsVideoDriver(const char* name) {
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, name) == 0;
}

// X11 reports modes and desktop in device pixels and has no scale of its own:
// the process chooses one. Wayland reports the desktop in the display's units
// and the modes in device pixels, the largest being the display's own.
void ChooseDisplayScale(int display, const SDL_DisplayMode& desktop, int* modeScale, int* desktopScale) {
    SDL_DisplayMode largest = {};
    if (IsVideoDriver("wayland") && SDL_GetDisplayMode(display, 0, &largest) == 0 && desktop.w > 0 &&
        largest.w > desktop.w) {
        *modeScale = std::clamp((largest.w + desktop.w / 2) / desktop.w, 1, win::kMaxScale);
    } else if (IsVideoDriver("x11")) {
        *modeScale = *desktopScale = win::ChooseX11Scale(nullptr);
    }
}

void CopyText(char* dest, std::size_t size, const std::string& text) {
    std::snprintf(dest, size, "%s", text.c_str());
}

}  // namespace

IDirect3D8* Direct3DCreate8(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        return nullptr;
    }
    return GlDirect3D::Create();
}

GlDirect3D* GlDirect3D::Create() {
    auto* d3d = new GlDirect3D();
    d3d->ReadDisplays();
    d3d->ProbeContexts();
    return d3d;
}

GlDirect3D::~GlDirect3D() {
    if (m_bSdlVideo) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

void GlDirect3D::AddDefaultModes(Adapter& adapter) {
    for (D3DFORMAT format : kModeFormats) {
        AddMode(adapter.m_modes, 640, 480, 60, format);
        AddMode(adapter.m_modes, 800, 600, 60, format);
        AddMode(adapter.m_modes, 1024, 768, 60, format);
    }
}

void GlDirect3D::ReadDisplays() {
    // What the driver reads when video starts (the window's class among it).
    win::PrepareGlDriver();
    m_bSdlVideo = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!m_bSdlVideo) {
        // The display the program started on may have gone since.
        win::CheckDisplayStillThere();
    }
    const int displays = m_bSdlVideo ? SDL_GetNumVideoDisplays() : 0;
    for (int display = 0; display < displays && m_adapters.size() < kMaxAdapters; ++display) {
        Adapter adapter;
        adapter.m_iSdlDisplay = display;
        const char* name = SDL_GetDisplayName(display);
        adapter.m_szName = name != nullptr ? name : "Display";
        // A display of unknown mode is listed all the same: adapter k stays
        // display k, as --display numbers them.
        SDL_DisplayMode desktop = {};
        SDL_GetDesktopDisplayMode(display, &desktop);
        ChooseDisplayScale(display, desktop, &adapter.m_iModeScale, &adapter.m_iDesktopScale);
        adapter.m_desktop = ModeIn(desktop, adapter.m_iDesktopScale);
        const int scale = adapter.m_iModeScale;
        // Where a switch would upset the other displays, full screen takes
        // the display as it is.
        const bool ownModeOnly = !win::ModeSwitchesAreSafe();
        const int modeCount = ownModeOnly ? 0 : SDL_GetNumDisplayModes(display);
        if (ownModeOnly && desktop.w > 0 && desktop.h > 0) {
            for (D3DFORMAT format : kModeFormats) {
                const D3DDISPLAYMODE own = ModeIn(desktop, adapter.m_iDesktopScale);
                AddMode(adapter.m_modes, own.Width, own.Height, own.RefreshRate, format);
            }
        }
        for (D3DFORMAT format : kModeFormats) {
            for (int i = 0; i < modeCount; ++i) {
                SDL_DisplayMode mode = {};
                // Off-screen drivers report a display of no size: no mode. A
                // mode the scale does not divide has no exact back buffer.
                if (SDL_GetDisplayMode(display, i, &mode) == 0 && mode.w > 0 && mode.h > 0 && mode.w % scale == 0 &&
                    mode.h % scale == 0) {
                    AddMode(adapter.m_modes, static_cast<UINT>(mode.w / scale), static_cast<UINT>(mode.h / scale),
                            static_cast<UINT>(mode.refresh_rate), format);
                }
            }
        }
        if (adapter.m_desktop.Width == 0 || adapter.m_desktop.Height == 0) {
            adapter.m_desktop = kDefaultDesktop;
        }
        if (adapter.m_modes.empty()) {
            AddDefaultModes(adapter);
        }
        m_adapters.push_back(adapter);
    }
    if (m_adapters.empty()) {
        // No display: one adapter with a default mode, so the off-screen
        // reference device still works.
        Adapter adapter;
        adapter.m_szName = "Off-screen";
        adapter.m_desktop = kDefaultDesktop;
        AddDefaultModes(adapter);
        m_adapters.push_back(adapter);
    }
}

void GlDirect3D::ProbeContexts() {
    // Drawing in another program's window, the process opens no window of
    // its own, not even a hidden one: only the off-screen device is used.
    if (m_bSdlVideo && !win::HasHostedWindow()) {
        HWND probe = win::CreateGlWindow("", 16, 16, nullptr, true);
        if (probe != nullptr) {
            if (win::MakeGlWindowCurrent(probe)) {
                m_halLimits = GlLimits::ReadCurrent();
            }
            win::DestroyGlWindow(probe);
        }
    }
    EglContext software;
    if (SUCCEEDED(software.Create())) {
        m_refLimits = GlLimits::ReadCurrent();
    }
}

HRESULT GlDirect3D::QueryInterface(REFIID /*riid*/, void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

UINT GlDirect3D::GetAdapterCount() {
    return static_cast<UINT>(m_adapters.size());
}

HRESULT GlDirect3D::GetAdapterIdentifier(UINT adapter, DWORD /*flags*/, D3DADAPTER_IDENTIFIER8* identifier) {
    if (adapter >= m_adapters.size() || identifier == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    std::memset(identifier, 0, sizeof(*identifier));
    const GlLimits& limits = m_halLimits.m_bValid ? m_halLimits : m_refLimits;
    CopyText(identifier->Driver, sizeof(identifier->Driver), "OpenGL");
    std::string description = m_adapters[adapter].m_szName;
    if (!limits.m_szRenderer.empty()) {
        description += " - " + limits.m_szRenderer;
    }
    CopyText(identifier->Description, sizeof(identifier->Description), description);
    return D3D_OK;
}

UINT GlDirect3D::GetAdapterModeCount(UINT adapter) {
    return adapter < m_adapters.size() ? static_cast<UINT>(m_adapters[adapter].m_modes.size()) : 0;
}

HRESULT GlDirect3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) {
    if (adapter >= m_adapters.size() || mode >= m_adapters[adapter].m_modes.size() || displayMode == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *displayMode = m_adapters[adapter].m_modes[mode];
    return D3D_OK;
}

HRESULT GlDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) {
    if (adapter >= m_adapters.size() || displayMode == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    Adapter& entry = m_adapters[adapter];
    SDL_DisplayMode current = {};
    // The desktop may have changed since the object was made (a mode switch).
    if (entry.m_iSdlDisplay >= 0 && SDL_GetDesktopDisplayMode(entry.m_iSdlDisplay, &current) == 0 && current.w > 0 &&
        current.h > 0) {
        entry.m_desktop = ModeIn(current, entry.m_iDesktopScale);
    }
    *displayMode = entry.m_desktop;
    return D3D_OK;
}

bool GlDirect3D::IsValidType(UINT adapter, D3DDEVTYPE type) const {
    return adapter < m_adapters.size() && (type == D3DDEVTYPE_HAL || type == D3DDEVTYPE_REF);
}

const GlLimits& GlDirect3D::Limits(D3DDEVTYPE type) const {
    return type == D3DDEVTYPE_HAL ? m_halLimits : m_refLimits;
}

UINT GlDirect3D::RefreshRate(UINT adapter) const {
    if (adapter < m_adapters.size() && m_adapters[adapter].m_desktop.RefreshRate > 0) {
        return m_adapters[adapter].m_desktop.RefreshRate;
    }
    return 60;
}

int GlDirect3D::SdlDisplay(UINT adapter) const {
    return adapter < m_adapters.size() ? m_adapters[adapter].m_iSdlDisplay : -1;
}

HMONITOR GlDirect3D::GetAdapterMonitor(UINT adapter) {
    return win::MonitorOfDisplay(SdlDisplay(adapter));
}

HRESULT GlDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, BOOL /*windowed*/) {
    if (!IsValidType(adapter, checkType)) {
        return D3DERR_INVALIDCALL;
    }
    if (!Limits(checkType).m_bValid || !GlLimits::IsDisplayFormat(displayFormat) ||
        !GlLimits::IsBackBufferFormat(backBufferFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

HRESULT GlDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                                      D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) {
    if (!IsValidType(adapter, deviceType)) {
        return D3DERR_INVALIDCALL;
    }
    const GlLimits& limits = Limits(deviceType);
    if (!limits.m_bValid || !GlLimits::IsDisplayFormat(adapterFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_DEPTHSTENCIL) != 0) {
        return resourceType == D3DRTYPE_SURFACE && limits.SupportsDepthFormat(checkFormat) ? D3D_OK
                                                                                           : D3DERR_NOTAVAILABLE;
    }
    if ((usage & D3DUSAGE_RENDERTARGET) != 0) {
        return GlLimits::IsBackBufferFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    if (resourceType == D3DRTYPE_TEXTURE || resourceType == D3DRTYPE_SURFACE) {
        return GlLimits::IsTextureFormat(checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat,
                                               BOOL /*windowed*/, D3DMULTISAMPLE_TYPE multiSampleType) {
    if (!IsValidType(adapter, deviceType)) {
        return D3DERR_INVALIDCALL;
    }
    const GlLimits& limits = Limits(deviceType);
    if (!limits.m_bValid ||
        (!GlLimits::IsBackBufferFormat(surfaceFormat) && !limits.SupportsDepthFormat(surfaceFormat))) {
        return D3DERR_NOTAVAILABLE;
    }
    if (multiSampleType == D3DMULTISAMPLE_NONE) {
        return D3D_OK;
    }
    if (multiSampleType >= D3DMULTISAMPLE_2_SAMPLES && multiSampleType <= D3DMULTISAMPLE_16_SAMPLES &&
        static_cast<DWORD>(multiSampleType) <= limits.m_dwMaxSamples) {
        return D3D_OK;
    }
    return D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                           D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
    if (!IsValidType(adapter, deviceType)) {
        return D3DERR_INVALIDCALL;
    }
    const GlLimits& limits = Limits(deviceType);
    if (!limits.m_bValid || !GlLimits::IsDisplayFormat(adapterFormat) ||
        !GlLimits::IsBackBufferFormat(renderTargetFormat) || !limits.SupportsDepthFormat(depthStencilFormat)) {
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

HRESULT GlDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) {
    if (!IsValidType(adapter, deviceType) || caps == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const GlLimits& limits = Limits(deviceType);
    if (!limits.m_bValid) {
        return D3DERR_NOTAVAILABLE;
    }
    limits.FillCaps(deviceType, adapter, caps);
    return D3D_OK;
}

HRESULT GlDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* presentationParameters,
                                 IDirect3DDevice8** returnedDeviceInterface) {
    if (returnedDeviceInterface != nullptr) {
        *returnedDeviceInterface = nullptr;
    }
    if (!IsValidType(adapter, deviceType) || presentationParameters == nullptr || returnedDeviceInterface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const DWORD processing = behaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                              D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing != D3DCREATE_SOFTWARE_VERTEXPROCESSING && processing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        processing != D3DCREATE_MIXED_VERTEXPROCESSING) {
        return D3DERR_INVALIDCALL;
    }
    if (!Limits(deviceType).m_bValid) {
        return D3DERR_NOTAVAILABLE;
    }
    return GlDevice::Create(this, adapter, deviceType, focusWindow, behaviorFlags, presentationParameters,
                            returnedDeviceInterface);
}
