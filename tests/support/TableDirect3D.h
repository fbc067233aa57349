// A drawing object that answers from a table the test writes: adapters,
// their display modes, and per device type the capabilities, the formats it
// renders to, the depth formats it accepts and what device creation does.
// Not platform_d3d_record's FakeDirect3D: that one validates like the runtime
// and always makes its own recording devices (which allocate every frame);
// this one lives in the test, records every CreateDevice call and lets the
// test make the device.
#pragma once

#include <functional>
#include <vector>

#include "platform/d3d/D3D8.h"

struct TableDeviceType {
    bool m_bPresent = true;
    D3DCAPS8 m_caps = {};
    // Display formats CheckDeviceType accepts.
    std::vector<D3DFORMAT> m_renderFormats;
    // Depth formats CheckDeviceFormat and CheckDepthStencilMatch accept.
    std::vector<D3DFORMAT> m_depthFormats;
    // A failure code makes CreateDevice fail with it.
    HRESULT m_hrCreate = S_OK;
};

struct TableAdapter {
    const char* m_szDescription = "Test adapter";
    D3DDISPLAYMODE m_desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<D3DDISPLAYMODE> m_modes;
    TableDeviceType m_hal;
    TableDeviceType m_ref;
    HMONITOR m_hMonitor = nullptr;  // the display it drives, as the window layer names it
};

struct CreateDeviceCall {
    UINT m_uAdapter;
    D3DDEVTYPE m_type;
    HWND m_hFocus;
    DWORD m_dwBehavior;
    D3DPRESENT_PARAMETERS m_params;
};

class TableDirect3D final : public IDirect3D8 {
public:
    std::vector<TableAdapter> m_adapters;
    std::vector<CreateDeviceCall> m_createCalls;
    // Makes the device for a successful CreateDevice; null fails with E_FAIL.
    std::function<HRESULT(const CreateDeviceCall&, IDirect3DDevice8**)> m_deviceFactory;
    ULONG m_uRefs = 1;

    // A device type that renders windowed and full-screen in the given formats with a 16-bit depth buffer.
    static TableDeviceType Capable(D3DDEVTYPE type, std::vector<D3DFORMAT> formats, DWORD devCaps = 0);

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++m_uRefs; }
    ULONG Release() override { return --m_uRefs; }

    UINT GetAdapterCount() override { return static_cast<UINT>(m_adapters.size()); }
    HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* identifier) override;
    UINT GetAdapterModeCount(UINT adapter) override;
    HRESULT EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* displayMode) override;
    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override;
    HRESULT CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                            BOOL windowed) override;
    HRESULT CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                              D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT surfaceFormat, BOOL windowed,
                                       D3DMULTISAMPLE_TYPE multiSampleType) override;
    HRESULT CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, D3DFORMAT renderTargetFormat,
                                   D3DFORMAT depthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps) override;
    HMONITOR GetAdapterMonitor(UINT adapter) override;
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                         D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) override;

private:
    const TableDeviceType* Find(UINT adapter, D3DDEVTYPE type) const;
};
