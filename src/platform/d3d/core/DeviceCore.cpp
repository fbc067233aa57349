#include "platform/d3d/core/DeviceCore.h"

#include <new>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/FormatInfo.h"
#include "platform/d3d/core/StateBlock.h"
#include "platform/d3d/core/StatePolicy.h"

namespace {

// Limits that keep a wild argument from asking for gigabytes.
constexpr UINT kMaxBufferLength = 256u * 1024u * 1024u;
constexpr UINT kDefaultMaxTextureSize = 4096;
constexpr UINT kMaxStreamStride = 1024;
constexpr UINT kMaxCursorSize = 256;

constexpr DWORD kTextureUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC;
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC;

bool IsResourcePool(D3DPOOL pool) {
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM;
}

bool IsBackBufferFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_UNKNOWN:  // windowed: the desktop's format
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_R5G6B5:
        case D3DFMT_X1R5G5B5:
        case D3DFMT_A1R5G5B5:
            return true;
        default:
            return false;
    }
}

// Vertices (or indices) `count` primitives of `type` consume; 0 for an unknown type.
ULONGLONG ElementCount(D3DPRIMITIVETYPE type, UINT count) {
    const ULONGLONG n = count;
    switch (type) {
        case D3DPT_POINTLIST:
            return n;
        case D3DPT_LINELIST:
            return 2 * n;
        case D3DPT_LINESTRIP:
            return n + 1;
        case D3DPT_TRIANGLELIST:
            return 3 * n;
        case D3DPT_TRIANGLESTRIP:
        case D3DPT_TRIANGLEFAN:
            return n + 2;
        default:
            return 0;
    }
}

// Row-vector product: a applied first, then b.
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r = {};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

}  // namespace

// ---------------------------------------------------------------------------
// Creation, lifetime

HRESULT DeviceCore::Create(std::unique_ptr<RenderBackend> backend, const Creation& creation,
                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    if (device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *device = nullptr;
    if (backend == nullptr || parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    HRESULT hr = CheckPresentParameters(*parameters);
    if (FAILED(hr)) {
        return hr;
    }
    D3DPRESENT_PARAMETERS completed = *parameters;
    hr = backend->Reset(completed);
    if (FAILED(hr)) {
        return hr;
    }
    if (completed.BackBufferWidth == 0 || completed.BackBufferHeight == 0) {
        return D3DERR_INVALIDCALL;
    }
    DeviceCore* core = new (std::nothrow) DeviceCore(std::move(backend), creation, completed);
    if (core == nullptr) {
        return E_OUTOFMEMORY;
    }
    *parameters = completed;
    *device = core;
    return D3D_OK;
}

DeviceCore::DeviceCore(std::unique_ptr<RenderBackend> backend, const Creation& creation,
                       const D3DPRESENT_PARAMETERS& parameters)
    : m_pBackend(std::move(backend)), m_creation(creation), m_presentParameters(parameters) {
    if (m_creation.m_pDirect3D != nullptr) {
        m_creation.m_pDirect3D->AddRef();
    }
    m_state.ResetToDefaults(m_presentParameters, m_creation.m_dwBehaviorFlags);
}

DeviceCore::~DeviceCore() {
    // Bound resources the program already released die here, while the
    // backend still exists to free their objects.
    if (m_pRecording != nullptr) {
        UnbindAll(m_pRecording->Values());
        m_pRecording.reset();
    }
    for (std::unique_ptr<StateBlock>& block : m_stateBlocks) {
        if (block != nullptr) {
            UnbindAll(block->Values());
        }
    }
    m_stateBlocks.clear();
    UnbindAll(m_state);
    m_pBackend.reset();
    if (m_creation.m_pDirect3D != nullptr) {
        m_creation.m_pDirect3D->Release();
    }
}

HRESULT DeviceCore::CheckPresentParameters(const D3DPRESENT_PARAMETERS& parameters) {
    if (parameters.BackBufferCount > 3) {
        return D3DERR_INVALIDCALL;
    }
    if (parameters.SwapEffect < D3DSWAPEFFECT_DISCARD || parameters.SwapEffect > D3DSWAPEFFECT_COPY_VSYNC) {
        return D3DERR_INVALIDCALL;
    }
    if (parameters.MultiSampleType == 1 || parameters.MultiSampleType > D3DMULTISAMPLE_16_SAMPLES) {
        return D3DERR_INVALIDCALL;
    }
    if (parameters.MultiSampleType != D3DMULTISAMPLE_NONE && parameters.SwapEffect != D3DSWAPEFFECT_DISCARD) {
        return D3DERR_INVALIDCALL;
    }
    if (!IsBackBufferFormat(parameters.BackBufferFormat)) {
        return D3DERR_INVALIDCALL;
    }
    if (!parameters.Windowed && (parameters.BackBufferWidth == 0 || parameters.BackBufferHeight == 0 ||
                                 parameters.BackBufferFormat == D3DFMT_UNKNOWN)) {
        return D3DERR_INVALIDCALL;
    }
    if (parameters.EnableAutoDepthStencil && !FormatInfo::IsDepthFormat(parameters.AutoDepthStencilFormat)) {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT DeviceCore::QueryInterface(REFIID, void** object) {
    if (object != nullptr) {
        *object = nullptr;
    }
    return E_NOINTERFACE;
}

ULONG DeviceCore::AddRef() {
    return ++m_ulRefs;
}

ULONG DeviceCore::Release() {
    if (m_ulRefs == 0) {
        return 0;
    }
    const ULONG left = --m_ulRefs;
    if (left == 0) {
        delete this;
    }
    return left;
}

void DeviceCore::OnResourceCreated(const ResourceBase& resource) {
    ++m_dwLiveResources;
    if (resource.Pool() == D3DPOOL_DEFAULT) {
        ++m_dwLiveDefaultPool;
    }
}

void DeviceCore::OnResourceOrphaned(const ResourceBase& resource) {
    --m_dwLiveResources;
    if (resource.Pool() == D3DPOOL_DEFAULT) {
        --m_dwLiveDefaultPool;
    }
}

void DeviceCore::OnResourceDestroyed(ResourceBase& resource) {
    m_pBackend->ReleaseResource(resource);
}

template <class Interface, class Core>
Core* DeviceCore::OwnResource(Interface* resource) const {
    // Every object of these interfaces is made by a device core, so the cast
    // is exact; one from another device is refused.
    Core* core = static_cast<Core*>(resource);
    return core != nullptr && core->Device() == this ? core : nullptr;
}

// ---------------------------------------------------------------------------
// Device information, cursor, presentation

HRESULT DeviceCore::TestCooperativeLevel() {
    m_pBackend->OnDeviceCall("TestCooperativeLevel");
    return m_pBackend->TestCooperativeLevel();
}

HRESULT DeviceCore::GetDirect3D(IDirect3D8** d3d) {
    m_pBackend->OnDeviceCall("GetDirect3D");
    if (d3d == nullptr || m_creation.m_pDirect3D == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_creation.m_pDirect3D->AddRef();
    *d3d = m_creation.m_pDirect3D;
    return D3D_OK;
}

HRESULT DeviceCore::GetDeviceCaps(D3DCAPS8* caps) {
    m_pBackend->OnDeviceCall("GetDeviceCaps");
    if (caps == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *caps = m_creation.m_caps;
    return D3D_OK;
}

HRESULT DeviceCore::GetDisplayMode(D3DDISPLAYMODE* mode) {
    m_pBackend->OnDeviceCall("GetDisplayMode");
    if (mode == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    if (m_creation.m_pDirect3D != nullptr) {
        return m_creation.m_pDirect3D->GetAdapterDisplayMode(m_creation.m_uAdapter, mode);
    }
    *mode = {m_presentParameters.BackBufferWidth, m_presentParameters.BackBufferHeight, 0, BackBufferDesc().Format};
    return D3D_OK;
}

HRESULT DeviceCore::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    m_pBackend->OnDeviceCall("GetCreationParameters");
    if (parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *parameters = {m_creation.m_uAdapter, m_creation.m_deviceType, m_creation.m_hFocusWindow,
                   m_creation.m_dwBehaviorFlags};
    return D3D_OK;
}

HRESULT DeviceCore::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface8* cursorBitmap) {
    m_pBackend->OnDeviceCall("SetCursorProperties");
    CoreSurface* surface = OwnResource<IDirect3DSurface8, CoreSurface>(cursorBitmap);
    if (surface == nullptr || surface->IsBackBuffer() || surface->IsLocked() || surface->Format() != D3DFMT_A8R8G8B8) {
        return D3DERR_INVALIDCALL;
    }
    if (surface->Width() > kMaxCursorSize || surface->Height() > kMaxCursorSize || xHotSpot >= surface->Width() ||
        yHotSpot >= surface->Height()) {
        return D3DERR_INVALIDCALL;
    }
    return m_pBackend->SetCursorProperties(xHotSpot, yHotSpot, *surface);
}

void DeviceCore::SetCursorPosition(int x, int y, DWORD flags) {
    m_pBackend->OnDeviceCall("SetCursorPosition");
    m_pBackend->SetCursorPosition(x, y, flags);
}

BOOL DeviceCore::ShowCursor(BOOL show) {
    m_pBackend->OnDeviceCall("ShowCursor");
    const bool previous = m_bCursorVisible;
    m_bCursorVisible = show != FALSE;
    m_pBackend->ShowCursor(m_bCursorVisible);
    return previous ? TRUE : FALSE;
}

HRESULT DeviceCore::Reset(D3DPRESENT_PARAMETERS* presentationParameters) {
    m_pBackend->OnDeviceCall("Reset");
    if (presentationParameters == nullptr || m_pRecording != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    // As on the platform: every default-pool resource must be gone first,
    // and a device still lost cannot be reset yet.
    if (m_dwLiveDefaultPool > 0) {
        return D3DERR_INVALIDCALL;
    }
    if (m_pBackend->TestCooperativeLevel() == D3DERR_DEVICELOST) {
        return D3DERR_DEVICELOST;
    }
    HRESULT hr = CheckPresentParameters(*presentationParameters);
    if (FAILED(hr)) {
        return hr;
    }
    D3DPRESENT_PARAMETERS completed = *presentationParameters;
    hr = m_pBackend->Reset(completed);
    if (FAILED(hr)) {
        return hr;
    }
    if (completed.BackBufferWidth == 0 || completed.BackBufferHeight == 0) {
        return D3DERR_INVALIDCALL;
    }
    m_presentParameters = completed;
    *presentationParameters = completed;
    UnbindAll(m_state);
    m_state.ResetToDefaults(m_presentParameters, m_creation.m_dwBehaviorFlags);
    m_bLayoutValid = false;
    m_bInScene = false;
    return D3D_OK;
}

HRESULT DeviceCore::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride, const RGNDATA*) {
    m_pBackend->OnDeviceCall("Present");
    return m_pBackend->Present(sourceRect, destRect, destWindowOverride);
}

D3DSURFACE_DESC DeviceCore::BackBufferDesc() const {
    D3DFORMAT format = m_presentParameters.BackBufferFormat;
    if (format == D3DFMT_UNKNOWN) {
        format = D3DFMT_X8R8G8B8;
    }
    const UINT width = m_presentParameters.BackBufferWidth;
    const UINT height = m_presentParameters.BackBufferHeight;
    return {format,
            D3DRTYPE_SURFACE,
            D3DUSAGE_RENDERTARGET,
            D3DPOOL_DEFAULT,
            FormatInfo::ImageSize(format, width, height),
            m_presentParameters.MultiSampleType,
            width,
            height};
}

HRESULT DeviceCore::GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) {
    m_pBackend->OnDeviceCall("GetBackBuffer");
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *surface = nullptr;
    const UINT count = m_presentParameters.BackBufferCount == 0 ? 1 : m_presentParameters.BackBufferCount;
    if (backBuffer >= count || type != D3DBACKBUFFER_TYPE_MONO) {
        return D3DERR_INVALIDCALL;
    }
    CoreSurface* created = new (std::nothrow) CoreSurface(this, BackBufferDesc());
    if (created == nullptr) {
        return E_OUTOFMEMORY;
    }
    *surface = created;
    return D3D_OK;
}

HRESULT DeviceCore::GetFrontBuffer(IDirect3DSurface8* destSurface) {
    m_pBackend->OnDeviceCall("GetFrontBuffer");
    CoreSurface* surface = OwnResource<IDirect3DSurface8, CoreSurface>(destSurface);
    const UINT width = m_presentParameters.BackBufferWidth;
    const UINT height = m_presentParameters.BackBufferHeight;
    if (surface == nullptr || surface->IsBackBuffer() || surface->IsLocked() || surface->Format() != D3DFMT_A8R8G8B8 ||
        surface->Width() < width || surface->Height() < height) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = m_pBackend->ReadFrontBuffer(width, height, surface->Bits(), surface->Pitch());
    if (SUCCEEDED(hr)) {
        surface->BumpVersion();
    }
    return hr;
}

// ---------------------------------------------------------------------------
// Resources

HRESULT DeviceCore::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture8** texture) {
    m_pBackend->OnDeviceCall("CreateTexture");
    if (texture == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    const UINT maxWidth =
        m_creation.m_caps.MaxTextureWidth != 0 ? m_creation.m_caps.MaxTextureWidth : kDefaultMaxTextureSize;
    const UINT maxHeight =
        m_creation.m_caps.MaxTextureHeight != 0 ? m_creation.m_caps.MaxTextureHeight : kDefaultMaxTextureSize;
    if (width == 0 || height == 0 || width > maxWidth || height > maxHeight) {
        return D3DERR_INVALIDCALL;
    }
    if (!FormatInfo::IsTextureFormat(format) || !IsResourcePool(pool) || (usage & ~kTextureUsages) != 0) {
        return D3DERR_INVALIDCALL;
    }
    if (levels > CoreTexture::FullChainLength(width, height)) {
        return D3DERR_INVALIDCALL;
    }
    CoreTexture* created = nullptr;
    try {
        created = new CoreTexture(this, width, height, levels, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *texture = created;
    return D3D_OK;
}

HRESULT DeviceCore::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer8** vertexBuffer) {
    m_pBackend->OnDeviceCall("CreateVertexBuffer");
    if (vertexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *vertexBuffer = nullptr;
    if (length == 0 || length > kMaxBufferLength || !IsResourcePool(pool) || (usage & ~kBufferUsages) != 0) {
        return D3DERR_INVALIDCALL;
    }
    if (fvf != 0) {
        FvfLayout layout;
        if (!FvfLayout::Decode(fvf, &layout) || length < layout.Stride()) {
            return D3DERR_INVALIDCALL;
        }
    }
    CoreVertexBuffer* created = nullptr;
    try {
        created = new CoreVertexBuffer(this, length, usage, fvf, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *vertexBuffer = created;
    return D3D_OK;
}

HRESULT DeviceCore::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer8** indexBuffer) {
    m_pBackend->OnDeviceCall("CreateIndexBuffer");
    if (indexBuffer == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *indexBuffer = nullptr;
    if (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32) {
        return D3DERR_INVALIDCALL;
    }
    const UINT indexSize = format == D3DFMT_INDEX32 ? 4 : 2;
    if (length < indexSize || length > kMaxBufferLength || !IsResourcePool(pool) || (usage & ~kBufferUsages) != 0) {
        return D3DERR_INVALIDCALL;
    }
    CoreIndexBuffer* created = nullptr;
    try {
        created = new CoreIndexBuffer(this, length, usage, format, pool);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *indexBuffer = created;
    return D3D_OK;
}

HRESULT DeviceCore::CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) {
    m_pBackend->OnDeviceCall("CreateImageSurface");
    if (surface == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *surface = nullptr;
    if (width == 0 || height == 0 || width > kDefaultMaxTextureSize * 2 || height > kDefaultMaxTextureSize * 2 ||
        !FormatInfo::IsTextureFormat(format)) {
        return D3DERR_INVALIDCALL;
    }
    CoreSurface* created = nullptr;
    try {
        created = new CoreSurface(this, width, height, format);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    *surface = created;
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Scenes and clearing

HRESULT DeviceCore::BeginScene() {
    m_pBackend->OnDeviceCall("BeginScene");
    if (m_bInScene) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = m_pBackend->BeginScene();
    if (SUCCEEDED(hr)) {
        m_bInScene = true;
    }
    return hr;
}

HRESULT DeviceCore::EndScene() {
    m_pBackend->OnDeviceCall("EndScene");
    if (!m_bInScene) {
        return D3DERR_INVALIDCALL;
    }
    m_bInScene = false;
    return m_pBackend->EndScene();
}

HRESULT DeviceCore::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
    m_pBackend->OnDeviceCall("Clear");
    if ((count > 0 && rects == nullptr) || flags == 0 ||
        (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0) {
        return D3DERR_INVALIDCALL;
    }
    const bool hasDepth = m_presentParameters.EnableAutoDepthStencil != FALSE;
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && !hasDepth) {
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DCLEAR_STENCIL) != 0 &&
        (!hasDepth || FormatInfo::StencilBits(m_presentParameters.AutoDepthStencilFormat) == 0)) {
        return D3DERR_INVALIDCALL;
    }
    if ((flags & D3DCLEAR_ZBUFFER) != 0 && !(z >= 0.0f && z <= 1.0f)) {
        return D3DERR_INVALIDCALL;
    }
    return m_pBackend->Clear(m_state, rects == nullptr ? 0 : count, rects, flags, color, z, stencil);
}

// ---------------------------------------------------------------------------
// States

DeviceState& DeviceCore::Target() {
    return m_pRecording != nullptr ? m_pRecording->Values() : m_state;
}

HRESULT DeviceCore::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    m_pBackend->OnDeviceCall("SetTransform");
    if (matrix == nullptr || !DeviceState::IsValidTransform(state)) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetTransform(state, *matrix);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkTransform(state);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    m_pBackend->OnDeviceCall("GetTransform");
    if (matrix == nullptr || !DeviceState::IsValidTransform(state)) {
        return D3DERR_INVALIDCALL;
    }
    *matrix = m_state.Transform(state);
    return D3D_OK;
}

HRESULT DeviceCore::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    m_pBackend->OnDeviceCall("MultiplyTransform");
    if (matrix == nullptr || !DeviceState::IsValidTransform(state)) {
        return D3DERR_INVALIDCALL;
    }
    // The given matrix applies first: state = matrix x state.
    const bool recorded = m_pRecording != nullptr && m_pRecording->HasTransform(state);
    const D3DMATRIX& current = recorded ? m_pRecording->Values().Transform(state) : m_state.Transform(state);
    const D3DMATRIX product = Multiply(*matrix, current);
    Target().SetTransform(state, product);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkTransform(state);
    }
    return D3D_OK;
}

HRESULT DeviceCore::SetViewport(const D3DVIEWPORT8* viewport) {
    m_pBackend->OnDeviceCall("SetViewport");
    if (viewport == nullptr || viewport->Width == 0 || viewport->Height == 0) {
        return D3DERR_INVALIDCALL;
    }
    const ULONGLONG right = static_cast<ULONGLONG>(viewport->X) + viewport->Width;
    const ULONGLONG bottom = static_cast<ULONGLONG>(viewport->Y) + viewport->Height;
    if (right > m_presentParameters.BackBufferWidth || bottom > m_presentParameters.BackBufferHeight) {
        return D3DERR_INVALIDCALL;
    }
    if (!(viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f && viewport->MaxZ >= 0.0f && viewport->MaxZ <= 1.0f)) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetViewport(*viewport);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bViewport = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetViewport(D3DVIEWPORT8* viewport) {
    m_pBackend->OnDeviceCall("GetViewport");
    if (viewport == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *viewport = m_state.Viewport();
    return D3D_OK;
}

HRESULT DeviceCore::SetMaterial(const D3DMATERIAL8* material) {
    m_pBackend->OnDeviceCall("SetMaterial");
    if (material == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetMaterial(*material);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bMaterial = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetMaterial(D3DMATERIAL8* material) {
    m_pBackend->OnDeviceCall("GetMaterial");
    if (material == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *material = m_state.Material();
    return D3D_OK;
}

HRESULT DeviceCore::SetLight(DWORD index, const D3DLIGHT8* light) {
    m_pBackend->OnDeviceCall("SetLight");
    // The renderers light with directional lights only.
    if (light == nullptr || index >= DeviceState::kLightCount || light->Type != D3DLIGHT_DIRECTIONAL) {
        return D3DERR_INVALIDCALL;
    }
    const D3DVECTOR& d = light->Direction;
    if (d.x == 0.0f && d.y == 0.0f && d.z == 0.0f) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetLight(index, *light);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkLight(index);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetLight(DWORD index, D3DLIGHT8* light) {
    m_pBackend->OnDeviceCall("GetLight");
    if (light == nullptr || index >= DeviceState::kLightCount || !m_state.IsLightDefined(index)) {
        return D3DERR_INVALIDCALL;
    }
    *light = m_state.Light(index);
    return D3D_OK;
}

HRESULT DeviceCore::LightEnable(DWORD index, BOOL enable) {
    m_pBackend->OnDeviceCall("LightEnable");
    if (index >= DeviceState::kLightCount) {
        return D3DERR_INVALIDCALL;
    }
    Target().EnableLight(index, enable != FALSE);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkLightEnable(index);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetLightEnable(DWORD index, BOOL* enable) {
    m_pBackend->OnDeviceCall("GetLightEnable");
    if (enable == nullptr || index >= DeviceState::kLightCount || !m_state.IsLightDefined(index)) {
        return D3DERR_INVALIDCALL;
    }
    *enable = m_state.IsLightEnabled(index) ? TRUE : FALSE;
    return D3D_OK;
}

HRESULT DeviceCore::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    m_pBackend->OnDeviceCall("SetRenderState");
    if (StatePolicyTable::ForRenderState(state) == StatePolicy::Unknown) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetRenderState(state, value);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkRenderState(state);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    m_pBackend->OnDeviceCall("GetRenderState");
    if (value == nullptr || StatePolicyTable::ForRenderState(state) == StatePolicy::Unknown) {
        return D3DERR_INVALIDCALL;
    }
    *value = m_state.RenderState(state);
    return D3D_OK;
}

HRESULT DeviceCore::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    m_pBackend->OnDeviceCall("SetTextureStageState");
    if (stage >= DeviceState::kStageCount || StatePolicyTable::ForStageState(type) == StatePolicy::Unknown) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetStageState(stage, type, value);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkStageState(stage, type);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    m_pBackend->OnDeviceCall("GetTextureStageState");
    if (value == nullptr || stage >= DeviceState::kStageCount ||
        StatePolicyTable::ForStageState(type) == StatePolicy::Unknown) {
        return D3DERR_INVALIDCALL;
    }
    *value = m_state.StageState(stage, type);
    return D3D_OK;
}

void DeviceCore::SetTextureBinding(DeviceState& state, DWORD stage, CoreTexture* texture) {
    CoreTexture* old = state.Texture(stage);
    if (old == texture) {
        return;
    }
    if (texture != nullptr) {
        texture->Bind();
    }
    state.SetTexture(stage, texture);
    if (old != nullptr) {
        old->Unbind();  // may destroy it
    }
}

void DeviceCore::SetStreamBinding(DeviceState& state, CoreVertexBuffer* buffer, UINT stride) {
    CoreVertexBuffer* old = state.StreamSource();
    if (buffer != nullptr) {
        buffer->Bind();
    }
    state.SetStreamSource(buffer, stride);
    if (old != nullptr) {
        old->Unbind();
    }
}

void DeviceCore::SetIndexBinding(DeviceState& state, CoreIndexBuffer* buffer, UINT baseVertexIndex) {
    CoreIndexBuffer* old = state.Indices();
    if (buffer != nullptr) {
        buffer->Bind();
    }
    state.SetIndices(buffer, baseVertexIndex);
    if (old != nullptr) {
        old->Unbind();
    }
}

void DeviceCore::UnbindAll(DeviceState& state) {
    for (DWORD stage = 0; stage < DeviceState::kStageCount; ++stage) {
        SetTextureBinding(state, stage, nullptr);
    }
    SetStreamBinding(state, nullptr, 0);
    SetIndexBinding(state, nullptr, 0);
}

HRESULT DeviceCore::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    m_pBackend->OnDeviceCall("SetTexture");
    if (stage >= DeviceState::kStageCount) {
        return D3DERR_INVALIDCALL;
    }
    CoreTexture* core = nullptr;
    if (texture != nullptr) {
        if (texture->GetType() != D3DRTYPE_TEXTURE) {
            return D3DERR_INVALIDCALL;
        }
        core = OwnResource<IDirect3DTexture8, CoreTexture>(static_cast<IDirect3DTexture8*>(texture));
        if (core == nullptr) {
            return D3DERR_INVALIDCALL;
        }
    }
    SetTextureBinding(Target(), stage, core);
    if (m_pRecording != nullptr) {
        m_pRecording->MarkTexture(stage);
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    m_pBackend->OnDeviceCall("GetTexture");
    if (texture == nullptr || stage >= DeviceState::kStageCount) {
        return D3DERR_INVALIDCALL;
    }
    CoreTexture* core = m_state.Texture(stage);
    if (core != nullptr) {
        core->AddRef();
    }
    *texture = core;
    return D3D_OK;
}

HRESULT DeviceCore::SetVertexShader(DWORD handle) {
    m_pBackend->OnDeviceCall("SetVertexShader");
    // Only fixed-function vertex formats: 0 (none) or a valid FVF.
    FvfLayout layout;
    if (handle != 0 && !FvfLayout::Decode(handle, &layout)) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetVertexShader(handle);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bVertexShader = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetVertexShader(DWORD* handle) {
    m_pBackend->OnDeviceCall("GetVertexShader");
    if (handle == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *handle = m_state.VertexShader();
    return D3D_OK;
}

HRESULT DeviceCore::SetPixelShader(DWORD handle) {
    m_pBackend->OnDeviceCall("SetPixelShader");
    // No pixel shaders: only the fixed-function stages (handle 0).
    if (handle != 0) {
        return D3DERR_INVALIDCALL;
    }
    Target().SetPixelShader(handle);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bPixelShader = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetPixelShader(DWORD* handle) {
    m_pBackend->OnDeviceCall("GetPixelShader");
    if (handle == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *handle = m_state.PixelShader();
    return D3D_OK;
}

HRESULT DeviceCore::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) {
    m_pBackend->OnDeviceCall("SetStreamSource");
    if (streamNumber != 0) {
        return D3DERR_INVALIDCALL;
    }
    CoreVertexBuffer* core = nullptr;
    if (streamData != nullptr) {
        core = OwnResource<IDirect3DVertexBuffer8, CoreVertexBuffer>(streamData);
        if (core == nullptr || stride == 0 || stride > kMaxStreamStride) {
            return D3DERR_INVALIDCALL;
        }
    }
    SetStreamBinding(Target(), core, stride);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bStream = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) {
    m_pBackend->OnDeviceCall("GetStreamSource");
    if (streamNumber != 0 || streamData == nullptr || stride == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    CoreVertexBuffer* core = m_state.StreamSource();
    if (core != nullptr) {
        core->AddRef();
    }
    *streamData = core;
    *stride = m_state.StreamStride();
    return D3D_OK;
}

HRESULT DeviceCore::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
    m_pBackend->OnDeviceCall("SetIndices");
    CoreIndexBuffer* core = nullptr;
    if (indexData != nullptr) {
        core = OwnResource<IDirect3DIndexBuffer8, CoreIndexBuffer>(indexData);
        if (core == nullptr) {
            return D3DERR_INVALIDCALL;
        }
    }
    SetIndexBinding(Target(), core, baseVertexIndex);
    if (m_pRecording != nullptr) {
        m_pRecording->m_bIndices = true;
    }
    return D3D_OK;
}

HRESULT DeviceCore::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) {
    m_pBackend->OnDeviceCall("GetIndices");
    if (indexData == nullptr || baseVertexIndex == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    CoreIndexBuffer* core = m_state.Indices();
    if (core != nullptr) {
        core->AddRef();
    }
    *indexData = core;
    *baseVertexIndex = m_state.BaseVertexIndex();
    return D3D_OK;
}

// ---------------------------------------------------------------------------
// Drawing

const FvfLayout* DeviceCore::CurrentLayout() {
    const DWORD fvf = m_state.VertexShader();
    if (fvf == 0) {
        return nullptr;
    }
    if (!m_bLayoutValid || m_layout.Fvf() != fvf) {
        m_bLayoutValid = FvfLayout::Decode(fvf, &m_layout);
    }
    return m_bLayoutValid ? &m_layout : nullptr;
}

HRESULT DeviceCore::CheckStreamRange(UINT firstVertex, ULONGLONG vertexCount, const FvfLayout& layout) const {
    const CoreVertexBuffer* stream = m_state.StreamSource();
    const UINT stride = m_state.StreamStride();
    if (stream == nullptr || stream->IsLocked() || stride < layout.Stride() || vertexCount == 0) {
        return D3DERR_INVALIDCALL;
    }
    // The last vertex read must end inside the buffer.
    const ULONGLONG lastVertex = static_cast<ULONGLONG>(firstVertex) + vertexCount - 1;
    if (lastVertex * stride + layout.Stride() > stream->Length()) {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT DeviceCore::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    m_pBackend->OnDeviceCall("DrawPrimitive");
    const ULONGLONG elements = ElementCount(type, primitiveCount);
    const FvfLayout* layout = CurrentLayout();
    if (!m_bInScene || primitiveCount == 0 || elements == 0 || layout == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = CheckStreamRange(startVertex, elements, *layout);
    if (FAILED(hr)) {
        return hr;
    }
    DrawCall call;
    call.m_type = type;
    call.m_uPrimitiveCount = primitiveCount;
    call.m_uElementCount = static_cast<UINT>(elements);
    call.m_uStartVertex = startVertex;
    call.m_pLayout = layout;
    return m_pBackend->Draw(m_state, call);
}

HRESULT DeviceCore::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                         UINT primitiveCount) {
    m_pBackend->OnDeviceCall("DrawIndexedPrimitive");
    const ULONGLONG elements = ElementCount(type, primitiveCount);
    const FvfLayout* layout = CurrentLayout();
    const CoreIndexBuffer* indices = m_state.Indices();
    if (!m_bInScene || primitiveCount == 0 || elements == 0 || layout == nullptr || indices == nullptr ||
        indices->IsLocked()) {
        return D3DERR_INVALIDCALL;
    }
    if (static_cast<ULONGLONG>(startIndex) + elements > indices->IndexCount()) {
        return D3DERR_INVALIDCALL;
    }
    // Every vertex an index reaches must lie inside the stream.
    const DWORD highest = indices->MaxIndex(startIndex, static_cast<UINT>(elements));
    const ULONGLONG lastVertex = static_cast<ULONGLONG>(m_state.BaseVertexIndex()) + highest;
    if (lastVertex > 0xFFFFFFFFull) {
        return D3DERR_INVALIDCALL;
    }
    const HRESULT hr = CheckStreamRange(0, lastVertex + 1, *layout);
    if (FAILED(hr)) {
        return hr;
    }
    DrawCall call;
    call.m_type = type;
    call.m_uPrimitiveCount = primitiveCount;
    call.m_uElementCount = static_cast<UINT>(elements);
    call.m_bIndexed = true;
    call.m_uMinIndex = minIndex;
    call.m_uNumVertices = numVertices;
    call.m_uStartIndex = startIndex;
    call.m_pLayout = layout;
    return m_pBackend->Draw(m_state, call);
}

HRESULT DeviceCore::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                                    UINT vertexStride) {
    m_pBackend->OnDeviceCall("DrawPrimitiveUP");
    const ULONGLONG elements = ElementCount(type, primitiveCount);
    const FvfLayout* layout = CurrentLayout();
    if (!m_bInScene || primitiveCount == 0 || elements == 0 || layout == nullptr || vertexData == nullptr ||
        vertexStride < layout->Stride() || vertexStride > kMaxStreamStride || elements > 0xFFFFFFFFull) {
        return D3DERR_INVALIDCALL;
    }
    DrawCall call;
    call.m_type = type;
    call.m_uPrimitiveCount = primitiveCount;
    call.m_uElementCount = static_cast<UINT>(elements);
    call.m_pUserVertices = static_cast<const BYTE*>(vertexData);
    call.m_uUserStride = vertexStride;
    call.m_pLayout = layout;
    const HRESULT hr = m_pBackend->Draw(m_state, call);
    // As on the platform, the call leaves stream 0 unset.
    SetStreamBinding(m_state, nullptr, 0);
    return hr;
}

// ---------------------------------------------------------------------------
// State blocks

HRESULT DeviceCore::BeginStateBlock() {
    m_pBackend->OnDeviceCall("BeginStateBlock");
    if (m_pRecording != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_pRecording.reset(new (std::nothrow) StateBlock());
    return m_pRecording != nullptr ? D3D_OK : E_OUTOFMEMORY;
}

HRESULT DeviceCore::EndStateBlock(DWORD* token) {
    m_pBackend->OnDeviceCall("EndStateBlock");
    if (token == nullptr || m_pRecording == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    m_stateBlocks.push_back(std::move(m_pRecording));
    *token = static_cast<DWORD>(m_stateBlocks.size());
    return D3D_OK;
}

StateBlock* DeviceCore::FindStateBlock(DWORD token) {
    if (token == 0 || token > m_stateBlocks.size()) {
        return nullptr;
    }
    return m_stateBlocks[token - 1].get();
}

HRESULT DeviceCore::ApplyStateBlock(DWORD token) {
    m_pBackend->OnDeviceCall("ApplyStateBlock");
    StateBlock* block = FindStateBlock(token);
    if (block == nullptr || m_pRecording != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    CopyRecordedStates(*block, block->Values(), m_state);
    return D3D_OK;
}

HRESULT DeviceCore::CaptureStateBlock(DWORD token) {
    m_pBackend->OnDeviceCall("CaptureStateBlock");
    StateBlock* block = FindStateBlock(token);
    if (block == nullptr || m_pRecording != nullptr) {
        return D3DERR_INVALIDCALL;
    }
    CopyRecordedStates(*block, m_state, block->Values());
    return D3D_OK;
}

HRESULT DeviceCore::DeleteStateBlock(DWORD token) {
    m_pBackend->OnDeviceCall("DeleteStateBlock");
    StateBlock* block = FindStateBlock(token);
    if (block == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    UnbindAll(block->Values());
    m_stateBlocks[token - 1].reset();
    return D3D_OK;
}

void DeviceCore::CopyRecordedStates(const StateBlock& mask, const DeviceState& from, DeviceState& to) {
    for (DWORD rs = 0; rs < DeviceState::kRenderStateCount; ++rs) {
        if (mask.HasRenderState(rs)) {
            const auto state = static_cast<D3DRENDERSTATETYPE>(rs);
            to.SetRenderState(state, from.RenderState(state));
        }
    }
    for (DWORD stage = 0; stage < DeviceState::kStageCount; ++stage) {
        for (DWORD type = 0; type < DeviceState::kStageStateCount; ++type) {
            if (mask.HasStageState(stage, type)) {
                const auto t = static_cast<D3DTEXTURESTAGESTATETYPE>(type);
                to.SetStageState(stage, t, from.StageState(stage, t));
            }
        }
        if (mask.HasTexture(stage)) {
            SetTextureBinding(to, stage, from.Texture(stage));
        }
    }
    for (DWORD slot = 0; slot < StateBlock::kTransformSlots; ++slot) {
        const auto state = static_cast<D3DTRANSFORMSTATETYPE>(slot);
        if (mask.HasTransform(slot) && DeviceState::IsValidTransform(state)) {
            to.SetTransform(state, from.Transform(state));
        }
    }
    if (mask.m_bMaterial) {
        to.SetMaterial(from.Material());
    }
    for (DWORD light = 0; light < DeviceState::kLightCount; ++light) {
        if (mask.HasLight(light) && from.IsLightDefined(light)) {
            to.SetLight(light, from.Light(light));
        }
        if (mask.HasLightEnable(light)) {
            to.EnableLight(light, from.IsLightEnabled(light));
        }
    }
    if (mask.m_bViewport) {
        to.SetViewport(from.Viewport());
    }
    if (mask.m_bStream) {
        SetStreamBinding(to, from.StreamSource(), from.StreamStride());
    }
    if (mask.m_bIndices) {
        SetIndexBinding(to, from.Indices(), from.BaseVertexIndex());
    }
    if (mask.m_bVertexShader) {
        to.SetVertexShader(from.VertexShader());
    }
    if (mask.m_bPixelShader) {
        to.SetPixelShader(from.PixelShader());
    }
}
