// The device's creation, lifetime and resource bookkeeping. The other calls
// live beside it: DeviceCorePresent.cpp, DeviceCoreResources.cpp,
// DeviceCoreDraw.cpp, DeviceCoreState.cpp and DeviceCoreStateBlocks.cpp.
#include "platform/d3d/core/DeviceCore.h"

#include <new>

#include "platform/d3d/core/FormatInfo.h"
#include "platform/d3d/core/ResourceBase.h"
#include "platform/d3d/core/StateBlock.h"

namespace {

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

}  // namespace

HRESULT DeviceCore::Create(std::unique_ptr<RenderBackend> backend, const Creation& creation,
                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    if (device == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *device = nullptr;
    if (backend == nullptr || parameters == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    D3DPRESENT_PARAMETERS completed;
    const HRESULT hr = SetUpBackBuffer(*backend, *parameters, completed);
    if (FAILED(hr)) {
        return hr;
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

HRESULT DeviceCore::SetUpBackBuffer(RenderBackend& backend, const D3DPRESENT_PARAMETERS& parameters,
                                    D3DPRESENT_PARAMETERS& completed) {
    HRESULT hr = CheckPresentParameters(parameters);
    if (FAILED(hr)) {
        return hr;
    }
    completed = parameters;
    hr = backend.Reset(completed);
    if (FAILED(hr)) {
        return hr;
    }
    if (completed.BackBufferWidth == 0 || completed.BackBufferHeight == 0) {
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
