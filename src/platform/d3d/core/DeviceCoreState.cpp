// The device: the Set and Get calls of its state, and binding resources to it.
#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/StateBlock.h"
#include "platform/d3d/core/StatePolicy.h"

namespace {

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

// The renderers light with directional lights only.
bool IsUsableLight(const D3DLIGHT8* light) {
    if (light == nullptr || light->Type != D3DLIGHT_DIRECTIONAL) {
        return false;
    }
    const D3DVECTOR& d = light->Direction;
    return d.x != 0.0f || d.y != 0.0f || d.z != 0.0f;
}

bool IsKnownRenderState(DWORD state) {
    return StatePolicyTable::ForRenderState(state) != StatePolicy::Unknown;
}

bool IsKnownStageState(DWORD stage, DWORD type) {
    return stage < DeviceState::kStageCount && StatePolicyTable::ForStageState(type) != StatePolicy::Unknown;
}

// Binds `now` in place of `old` (either may be null). The new one is held
// before the old one is let go, as letting go may destroy it.
template <class Resource, class Store>
void Rebind(Resource* old, Resource* now, Store store) {
    if (now != nullptr) {
        now->Bind();
    }
    store();
    if (old != nullptr) {
        old->Unbind();
    }
}

// A reference for the caller on a bound resource (or null).
template <class Resource>
Resource* HandOut(Resource* resource) {
    if (resource != nullptr) {
        resource->AddRef();
    }
    return resource;
}

}  // namespace

template <class Write, class Mark>
HRESULT DeviceCore::Store(const char* call, bool valid, Write write, Mark mark) {
    m_pBackend->OnDeviceCall(call);
    if (!valid) {
        return D3DERR_INVALIDCALL;
    }
    if (m_pRecording == nullptr) {
        write(m_state);
    } else {
        write(m_pRecording->Values());
        mark(*m_pRecording);
    }
    return D3D_OK;
}

template <class Out, class Read>
HRESULT DeviceCore::Answer(const char* call, Out* out, bool valid, Read read) {
    m_pBackend->OnDeviceCall(call);
    if (out == nullptr || !valid) {
        return D3DERR_INVALIDCALL;
    }
    *out = read();
    return D3D_OK;
}

HRESULT DeviceCore::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    return Store(
        "SetTransform", matrix != nullptr && DeviceState::IsValidTransform(state),
        [&](DeviceState& target) { target.SetTransform(state, *matrix); },
        [&](StateBlock& block) { block.MarkTransform(state); });
}

HRESULT DeviceCore::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    return Answer("GetTransform", matrix, DeviceState::IsValidTransform(state),
                  [&] { return m_state.Transform(state); });
}

HRESULT DeviceCore::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    // The given matrix applies first: state = matrix x state, where state is
    // the block's own value while it records one, else the device's.
    return Store(
        "MultiplyTransform", matrix != nullptr && DeviceState::IsValidTransform(state),
        [&](DeviceState& target) {
            const bool recorded = m_pRecording != nullptr && m_pRecording->HasTransform(state);
            target.SetTransform(state, Multiply(*matrix, (recorded ? target : m_state).Transform(state)));
        },
        [&](StateBlock& block) { block.MarkTransform(state); });
}

bool DeviceCore::IsValidViewport(const D3DVIEWPORT8* viewport) const {
    if (viewport == nullptr || viewport->Width == 0 || viewport->Height == 0) {
        return false;
    }
    const ULONGLONG right = static_cast<ULONGLONG>(viewport->X) + viewport->Width;
    const ULONGLONG bottom = static_cast<ULONGLONG>(viewport->Y) + viewport->Height;
    if (right > m_presentParameters.BackBufferWidth || bottom > m_presentParameters.BackBufferHeight) {
        return false;
    }
    return viewport->MinZ >= 0.0f && viewport->MinZ <= 1.0f && viewport->MaxZ >= 0.0f && viewport->MaxZ <= 1.0f;
}

HRESULT DeviceCore::SetViewport(const D3DVIEWPORT8* viewport) {
    return Store(
        "SetViewport", IsValidViewport(viewport), [&](DeviceState& target) { target.SetViewport(*viewport); },
        [](StateBlock& block) { block.m_bViewport = true; });
}

HRESULT DeviceCore::GetViewport(D3DVIEWPORT8* viewport) {
    return Answer("GetViewport", viewport, true, [&] { return m_state.Viewport(); });
}

HRESULT DeviceCore::SetMaterial(const D3DMATERIAL8* material) {
    return Store(
        "SetMaterial", material != nullptr, [&](DeviceState& target) { target.SetMaterial(*material); },
        [](StateBlock& block) { block.m_bMaterial = true; });
}

HRESULT DeviceCore::GetMaterial(D3DMATERIAL8* material) {
    return Answer("GetMaterial", material, true, [&] { return m_state.Material(); });
}

HRESULT DeviceCore::SetLight(DWORD index, const D3DLIGHT8* light) {
    return Store(
        "SetLight", index < DeviceState::kLightCount && IsUsableLight(light),
        [&](DeviceState& target) { target.SetLight(index, *light); },
        [&](StateBlock& block) { block.MarkLight(index); });
}

HRESULT DeviceCore::GetLight(DWORD index, D3DLIGHT8* light) {
    return Answer("GetLight", light, index < DeviceState::kLightCount && m_state.IsLightDefined(index),
                  [&] { return m_state.Light(index); });
}

HRESULT DeviceCore::LightEnable(DWORD index, BOOL enable) {
    return Store(
        "LightEnable", index < DeviceState::kLightCount,
        [&](DeviceState& target) { target.EnableLight(index, enable != FALSE); },
        [&](StateBlock& block) { block.MarkLightEnable(index); });
}

HRESULT DeviceCore::GetLightEnable(DWORD index, BOOL* enable) {
    return Answer("GetLightEnable", enable, index < DeviceState::kLightCount && m_state.IsLightDefined(index),
                  [&] { return m_state.IsLightEnabled(index) ? TRUE : FALSE; });
}

HRESULT DeviceCore::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    return Store(
        "SetRenderState", IsKnownRenderState(state), [&](DeviceState& target) { target.SetRenderState(state, value); },
        [&](StateBlock& block) { block.MarkRenderState(state); });
}

HRESULT DeviceCore::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    return Answer("GetRenderState", value, IsKnownRenderState(state), [&] { return m_state.RenderState(state); });
}

HRESULT DeviceCore::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    return Store(
        "SetTextureStageState", IsKnownStageState(stage, type),
        [&](DeviceState& target) { target.SetStageState(stage, type, value); },
        [&](StateBlock& block) { block.MarkStageState(stage, type); });
}

HRESULT DeviceCore::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    return Answer("GetTextureStageState", value, IsKnownStageState(stage, type),
                  [&] { return m_state.StageState(stage, type); });
}

void DeviceCore::SetTextureBinding(DeviceState& state, DWORD stage, CoreTexture* texture) {
    // Binding the texture already bound changes nothing, not even a dirty flag.
    if (state.Texture(stage) != texture) {
        Rebind(state.Texture(stage), texture, [&] { state.SetTexture(stage, texture); });
    }
}

void DeviceCore::SetStreamBinding(DeviceState& state, CoreVertexBuffer* buffer, UINT stride) {
    Rebind(state.StreamSource(), buffer, [&] { state.SetStreamSource(buffer, stride); });
}

void DeviceCore::SetIndexBinding(DeviceState& state, CoreIndexBuffer* buffer, UINT baseVertexIndex) {
    Rebind(state.Indices(), buffer, [&] { state.SetIndices(buffer, baseVertexIndex); });
}

void DeviceCore::UnbindAll(DeviceState& state) {
    for (DWORD stage = 0; stage < DeviceState::kStageCount; ++stage) {
        SetTextureBinding(state, stage, nullptr);
    }
    SetStreamBinding(state, nullptr, 0);
    SetIndexBinding(state, nullptr, 0);
}

HRESULT DeviceCore::SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) {
    // Only plain textures of this device; null unbinds.
    CoreTexture* core = nullptr;
    if (stage < DeviceState::kStageCount && texture != nullptr && texture->GetType() == D3DRTYPE_TEXTURE) {
        core = OwnResource<IDirect3DTexture8, CoreTexture>(static_cast<IDirect3DTexture8*>(texture));
    }
    return Store(
        "SetTexture", stage < DeviceState::kStageCount && (texture == nullptr || core != nullptr),
        [&](DeviceState& target) { SetTextureBinding(target, stage, core); },
        [&](StateBlock& block) { block.MarkTexture(stage); });
}

HRESULT DeviceCore::GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) {
    return Answer("GetTexture", texture, stage < DeviceState::kStageCount,
                  [&] { return HandOut(m_state.Texture(stage)); });
}

HRESULT DeviceCore::SetVertexShader(DWORD handle) {
    // Only fixed-function vertex formats: 0 (none) or a valid FVF.
    FvfLayout layout;
    return Store(
        "SetVertexShader", handle == 0 || FvfLayout::Decode(handle, &layout),
        [&](DeviceState& target) { target.SetVertexShader(handle); },
        [](StateBlock& block) { block.m_bVertexShader = true; });
}

HRESULT DeviceCore::GetVertexShader(DWORD* handle) {
    return Answer("GetVertexShader", handle, true, [&] { return m_state.VertexShader(); });
}

HRESULT DeviceCore::SetPixelShader(DWORD handle) {
    // No pixel shaders: only the fixed-function stages (handle 0).
    return Store(
        "SetPixelShader", handle == 0, [&](DeviceState& target) { target.SetPixelShader(handle); },
        [](StateBlock& block) { block.m_bPixelShader = true; });
}

HRESULT DeviceCore::GetPixelShader(DWORD* handle) {
    return Answer("GetPixelShader", handle, true, [&] { return m_state.PixelShader(); });
}

HRESULT DeviceCore::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) {
    CoreVertexBuffer* core = OwnResource<IDirect3DVertexBuffer8, CoreVertexBuffer>(streamData);
    const bool bindable = core != nullptr && stride != 0 && stride <= kMaxStreamStride;
    return Store(
        "SetStreamSource", streamNumber == 0 && (streamData == nullptr || bindable),
        [&](DeviceState& target) { SetStreamBinding(target, core, stride); },
        [](StateBlock& block) { block.m_bStream = true; });
}

HRESULT DeviceCore::GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) {
    m_pBackend->OnDeviceCall("GetStreamSource");
    if (streamNumber != 0 || streamData == nullptr || stride == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *streamData = HandOut(m_state.StreamSource());
    *stride = m_state.StreamStride();
    return D3D_OK;
}

HRESULT DeviceCore::SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) {
    CoreIndexBuffer* core = OwnResource<IDirect3DIndexBuffer8, CoreIndexBuffer>(indexData);
    return Store(
        "SetIndices", indexData == nullptr || core != nullptr,
        [&](DeviceState& target) { SetIndexBinding(target, core, baseVertexIndex); },
        [](StateBlock& block) { block.m_bIndices = true; });
}

HRESULT DeviceCore::GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) {
    m_pBackend->OnDeviceCall("GetIndices");
    if (indexData == nullptr || baseVertexIndex == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    *indexData = HandOut(m_state.Indices());
    *baseVertexIndex = m_state.BaseVertexIndex();
    return D3D_OK;
}
