// The Direct3D object over SDL displays and OpenGL: adapters are SDL's video
// displays, HAL devices draw into a window's GL context and REF devices draw
// on the software rasteriser off-screen.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d/D3D8.h"
#include "platform/d3d/gl/GlLimits.h"
#include "platform/kernel/ComObject.h"

class GlDirect3D final : public ComObject<IDirect3D8> {
public:
    static constexpr UINT kMaxAdapters = 10;

    // Opens SDL video when it can and probes both kinds of GL context. Never
    // fails: without a display there is one default adapter for REF devices.
    static GlDirect3D* Create();

    // Answers no interface, not even IUnknown: the object is only reached
    // through the pointer Direct3DCreate8 returns.
    HRESULT QueryInterface(REFIID riid, void** object) override;

    UINT GetAdapterCount() override;
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) override;
    UINT GetAdapterModeCount(UINT adapter) override;
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE checkType, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE multiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT adapterFormat,
                                   D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS8* caps) override;
    HMONITOR GetAdapterMonitor(UINT adapter) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* presentationParameters,
                         IDirect3DDevice8** returnedDeviceInterface) override;

    // The limits of the GL behind a device type; invalid when it has none.
    const GlLimits& Limits(D3DDEVTYPE type) const;
    // The display refresh rate in Hz for pacing (60 when unknown).
    UINT RefreshRate(UINT adapter) const;
    // The SDL display index of an adapter, -1 for the default adapter.
    int SdlDisplay(UINT adapter) const;

private:
    struct Adapter {
        std::string m_szName;
        int m_iSdlDisplay = -1;
        D3DDISPLAYMODE m_desktop = {};
        std::vector<D3DDISPLAYMODE> m_modes;
        // The program sees a display at a scale in its own units: SDL's modes
        // are divided by m_iModeScale, its desktop by m_iDesktopScale.
        int m_iModeScale = 1;
        int m_iDesktopScale = 1;
    };

    GlDirect3D() = default;
    ~GlDirect3D() override;
    static void AddDefaultModes(Adapter& adapter);
    void ReadDisplays();
    void ProbeContexts();
    bool IsValidType(UINT adapter, D3DDEVTYPE type) const;

    bool m_bSdlVideo = false;
    std::vector<Adapter> m_adapters;
    GlLimits m_halLimits;
    GlLimits m_refLimits;
};
