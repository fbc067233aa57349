// The device: creating textures, buffers and image surfaces.
#include <new>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/FormatInfo.h"

namespace {

// Limits that keep a wild argument from asking for gigabytes.
constexpr UINT kMaxBufferLength = 256u * 1024u * 1024u;
constexpr UINT kDefaultMaxTextureSize = 4096;

constexpr DWORD kTextureUsages = D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC;
constexpr DWORD kBufferUsages = D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING | D3DUSAGE_DONOTCLIP |
                                D3DUSAGE_POINTS | D3DUSAGE_RTPATCHES | D3DUSAGE_NPATCHES | D3DUSAGE_DYNAMIC;

bool IsResourcePool(D3DPOOL pool) {
    return pool == D3DPOOL_DEFAULT || pool == D3DPOOL_MANAGED || pool == D3DPOOL_SYSTEMMEM;
}

// A new resource with one reference in *out (left null when its memory cannot be had).
template <class Resource, class Interface, class... Args>
HRESULT Make(Interface** out, Args... args) {
    try {
        *out = new Resource(args...);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

}  // namespace

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
    return Make<CoreTexture>(texture, this, width, height, levels, usage, format, pool);
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
    return Make<CoreVertexBuffer>(vertexBuffer, this, length, usage, fvf, pool);
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
    return Make<CoreIndexBuffer>(indexBuffer, this, length, usage, format, pool);
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
    return Make<CoreSurface>(surface, this, width, height, format);
}
