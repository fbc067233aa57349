#include "platform/d3d/record/RecordingDevice.h"

#include <new>

#include "platform/d3d/record/RecordBackend.h"

namespace {

constexpr UINT kDefaultClientWidth = 640;
constexpr UINT kDefaultClientHeight = 480;

}  // namespace

D3DCAPS8 RecordingDeviceCaps(D3DDEVTYPE type) {
    D3DCAPS8 caps = {};
    caps.DeviceType = type;
    caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED | D3DCAPS2_DYNAMICTEXTURES;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps.CursorCaps = D3DCURSORCAPS_COLOR;
    caps.DevCaps = D3DDEVCAPS_EXECUTESYSTEMMEMORY | D3DDEVCAPS_TLVERTEXSYSTEMMEMORY | D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                   D3DDEVCAPS_DRAWPRIMTLVERTEX | D3DDEVCAPS_DRAWPRIMITIVES2 | D3DDEVCAPS_DRAWPRIMITIVES2EX;
    if (type == D3DDEVTYPE_HAL) {
        caps.DevCaps |= D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_HWRASTERIZATION | D3DDEVCAPS_PUREDEVICE;
    }
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                             D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP;
    caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX;
    caps.ZCmpCaps = 0xFF;
    caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = 0x1FFF;
    caps.DestBlendCaps = 0x1FFF;
    caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND | D3DPSHADECAPS_FOGGOURAUD;
    caps.TextureCaps = D3DPTEXTURECAPS_PERSPECTIVE | D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP;
    caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MIPFPOINT |
                             D3DPTFILTERCAPS_MIPFLINEAR | D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.TextureAddressCaps =
        D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_MIRROR | D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_INDEPENDENTUV;
    caps.LineCaps = D3DLINECAPS_TEXTURE | D3DLINECAPS_ZTEST | D3DLINECAPS_BLEND | D3DLINECAPS_ALPHACMP;
    caps.MaxTextureWidth = 4096;
    caps.MaxTextureHeight = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxAnisotropy = 1;
    caps.MaxVertexW = 1.0e10f;
    caps.StencilCaps = 0xFF;
    caps.FVFCaps = 8;
    caps.TextureOpCaps =
        D3DTEXOPCAPS_DISABLE | D3DTEXOPCAPS_SELECTARG1 | D3DTEXOPCAPS_SELECTARG2 | D3DTEXOPCAPS_MODULATE;
    caps.MaxTextureBlendStages = 8;
    caps.MaxSimultaneousTextures = 8;
    caps.VertexProcessingCaps = D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_MATERIALSOURCE7;
    caps.MaxActiveLights = 8;
    caps.MaxVertexBlendMatrices = 4;
    caps.MaxVertexBlendMatrixIndex = 255;
    caps.MaxPointSize = 1.0f;
    caps.MaxPrimitiveCount = 0x000FFFFF;
    caps.MaxVertexIndex = 0x00FFFFFF;
    caps.MaxStreams = 1;
    caps.MaxStreamStride = 1024;
    return caps;
}

HRESULT CreateRecordingDevice(const DeviceCore::Creation& creation, D3DPRESENT_PARAMETERS* parameters,
                              IDirect3DDevice8** device, RecordLog** log) {
    if (device != nullptr) {
        *device = nullptr;
    }
    if (log != nullptr) {
        *log = nullptr;
    }
    std::unique_ptr<RecordBackend> made(new (std::nothrow) RecordBackend(kDefaultClientWidth, kDefaultClientHeight));
    if (made == nullptr) {
        return E_OUTOFMEMORY;
    }
    RecordBackend* raw = made.get();
    const HRESULT hr = DeviceCore::Create(std::move(made), creation, parameters, device);
    if (FAILED(hr)) {
        return hr;
    }
    if (log != nullptr) {
        *log = &raw->Log();
    }
    return hr;
}

HRESULT CreateRecordingDevice(const D3DPRESENT_PARAMETERS* parameters, const D3DCAPS8* caps, IDirect3DDevice8** device,
                              RecordLog** log) {
    if (parameters == nullptr) {
        if (device != nullptr) {
            *device = nullptr;
        }
        return D3DERR_INVALIDCALL;
    }
    DeviceCore::Creation creation;
    creation.m_caps = caps != nullptr ? *caps : RecordingDeviceCaps(D3DDEVTYPE_HAL);
    creation.m_deviceType = creation.m_caps.DeviceType == D3DDEVTYPE_REF ? D3DDEVTYPE_REF : D3DDEVTYPE_HAL;
    creation.m_hFocusWindow = parameters->hDeviceWindow;
    creation.m_dwBehaviorFlags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    D3DPRESENT_PARAMETERS copy = *parameters;
    return CreateRecordingDevice(creation, &copy, device, log);
}
