// The device: recording, applying, capturing and deleting state blocks.
#include <new>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/StateBlock.h"

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
