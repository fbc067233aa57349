// The device: scenes, clearing and drawing.
#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/FormatInfo.h"

namespace {

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

// What every kind of draw call hands the backend; `elements` fits a UINT.
DrawCall MakeCall(D3DPRIMITIVETYPE type, UINT primitiveCount, ULONGLONG elements, const FvfLayout* layout) {
    DrawCall call;
    call.m_type = type;
    call.m_uPrimitiveCount = primitiveCount;
    call.m_uElementCount = static_cast<UINT>(elements);
    call.m_pLayout = layout;
    return call;
}

}  // namespace

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
    DrawCall call = MakeCall(type, primitiveCount, elements, layout);
    call.m_uStartVertex = startVertex;
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
    DrawCall call = MakeCall(type, primitiveCount, elements, layout);
    call.m_bIndexed = true;
    call.m_uMinIndex = minIndex;
    call.m_uNumVertices = numVertices;
    call.m_uStartIndex = startIndex;
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
    DrawCall call = MakeCall(type, primitiveCount, elements, layout);
    call.m_pUserVertices = static_cast<const BYTE*>(vertexData);
    call.m_uUserStride = vertexStride;
    const HRESULT hr = m_pBackend->Draw(m_state, call);
    // As on the platform, the call leaves stream 0 unset.
    SetStreamBinding(m_state, nullptr, 0);
    return hr;
}
