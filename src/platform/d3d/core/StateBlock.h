// A recorded state block: which states were set between BeginStateBlock and
// EndStateBlock, and their values (re-read by CaptureStateBlock).
#pragma once

#include <bitset>

#include "platform/d3d/core/DeviceState.h"

class StateBlock {
public:
    DeviceState& Values() { return m_values; }
    const DeviceState& Values() const { return m_values; }

    void MarkRenderState(DWORD state) { m_renderStates.set(state % DeviceState::kRenderStateCount); }
    bool HasRenderState(DWORD state) const { return m_renderStates.test(state % DeviceState::kRenderStateCount); }
    void MarkStageState(DWORD stage, DWORD type) { m_stageStates.set(StageIndex(stage, type)); }
    bool HasStageState(DWORD stage, DWORD type) const { return m_stageStates.test(StageIndex(stage, type)); }
    void MarkTexture(DWORD stage) { m_textures.set(stage % DeviceState::kStageCount); }
    bool HasTexture(DWORD stage) const { return m_textures.test(stage % DeviceState::kStageCount); }
    // Transform states are numbered below 512.
    void MarkTransform(DWORD state) { m_transforms.set(state % kTransformSlots); }
    bool HasTransform(DWORD state) const { return m_transforms.test(state % kTransformSlots); }
    void MarkLight(DWORD index) { m_lights.set(index % DeviceState::kLightCount); }
    bool HasLight(DWORD index) const { return m_lights.test(index % DeviceState::kLightCount); }
    void MarkLightEnable(DWORD index) { m_lightEnables.set(index % DeviceState::kLightCount); }
    bool HasLightEnable(DWORD index) const { return m_lightEnables.test(index % DeviceState::kLightCount); }

    bool m_bMaterial = false;
    bool m_bViewport = false;
    bool m_bStream = false;
    bool m_bIndices = false;
    bool m_bVertexShader = false;
    bool m_bPixelShader = false;

    static constexpr DWORD kTransformSlots = 512;

private:
    static size_t StageIndex(DWORD stage, DWORD type) {
        return (stage % DeviceState::kStageCount) * DeviceState::kStageStateCount +
               type % DeviceState::kStageStateCount;
    }

    DeviceState m_values;
    std::bitset<DeviceState::kRenderStateCount> m_renderStates;
    std::bitset<DeviceState::kStageCount * DeviceState::kStageStateCount> m_stageStates;
    std::bitset<DeviceState::kStageCount> m_textures;
    std::bitset<kTransformSlots> m_transforms;
    std::bitset<DeviceState::kLightCount> m_lights;
    std::bitset<DeviceState::kLightCount> m_lightEnables;
};
