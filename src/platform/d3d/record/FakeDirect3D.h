// A configurable Direct3D object for tests of device enumeration and
// selection: adapters, display modes, device types, caps and the answers of
// the Check* calls are plain data; CreateDevice hands out recording devices.
// The frame harness's TableDirect3D stays separate: it answers leniently,
// records each CreateDevice call and lets the test make the device (one that
// allocates nothing per frame); this object validates like the runtime and
// always hands out its own recording devices.
#pragma once

#include <vector>

#include "platform/d3d/D3D8.h"

class FakeDirect3D final : public IDirect3D8 {
public:
    struct DeviceTypeInfo {
        bool m_bAvailable = true;
        D3DCAPS8 m_caps = {};
        // Formats CheckDeviceType accepts as display and back-buffer format.
        std::vector<D3DFORMAT> m_displayFormats;
        // Depth formats CheckDeviceFormat accepts for D3DUSAGE_DEPTHSTENCIL.
        std::vector<D3DFORMAT> m_depthFormats;
        // Depth formats CheckDepthStencilMatch refuses although supported.
        std::vector<D3DFORMAT> m_depthMismatches;
        // Texture formats CheckDeviceFormat accepts.
        std::vector<D3DFORMAT> m_textureFormats;
        // Bit n set: n samples supported (2..16); none is always supported.
        DWORD m_dwMultiSampleMask = 0;
        // A failing HRESULT makes CreateDevice fail with it.
        HRESULT m_hrCreate = D3D_OK;
    };

    struct Adapter {
        D3DADAPTER_IDENTIFIER8 m_identifier = {};
        D3DDISPLAYMODE m_desktopMode = {};
        std::vector<D3DDISPLAYMODE> m_modes;
        DeviceTypeInfo m_hal;
        DeviceTypeInfo m_ref;
    };

    // One reference; one adapter as a typical machine has it: desktop
    // 1024 x 768 X8R8G8B8, modes from 320 x 240 to 1024 x 768 in X8R8G8B8 and
    // R5G6B5 (some twice, at two refresh rates), a HAL device with hardware
    // transform and lighting and a REF device, D16/D24X8/D24S8/D32 depth.
    static FakeDirect3D* Create();
    static Adapter TypicalAdapter(const char* description);

    std::vector<Adapter>& Adapters() { return m_adapters; }
    DeviceTypeInfo* FindDeviceType(UINT adapter, D3DDEVTYPE type);
    UINT CreateDeviceCalls() const { return m_uCreateCalls; }

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override { return ++m_ulRefs; }
    ULONG Release() override;
    UINT GetAdapterCount() override { return static_cast<UINT>(m_adapters.size()); }
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

private:
    FakeDirect3D() = default;
    ~FakeDirect3D() = default;

    std::vector<Adapter> m_adapters;
    ULONG m_ulRefs = 1;
    UINT m_uCreateCalls = 0;
};
