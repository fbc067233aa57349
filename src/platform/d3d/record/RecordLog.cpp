#include "platform/d3d/record/RecordLog.h"

#include <algorithm>

#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"

DWORD RecordLog::RenderStateAtDraw(size_t index, D3DRENDERSTATETYPE state) const {
    return StateAtDraw(index).RenderState(state);
}

IDirect3DBaseTexture8* RecordLog::TextureAtDraw(size_t index, DWORD stage) const {
    return StateAtDraw(index).Texture(stage);
}

D3DMATRIX RecordLog::TransformAtDraw(size_t index, D3DTRANSFORMSTATETYPE state) const {
    const DeviceState& recorded = StateAtDraw(index);
    return DeviceState::IsValidTransform(state) ? recorded.Transform(state) : DeviceState::Identity();
}

D3DMATERIAL8 RecordLog::MaterialAtDraw(size_t index) const {
    return StateAtDraw(index).Material();
}

IDirect3DVertexBuffer8* RecordLog::StreamAtDraw(size_t index) const {
    return StateAtDraw(index).StreamSource();
}

size_t RecordLog::CountCalls(const std::string& name) const {
    return static_cast<size_t>(std::count(m_callNames.begin(), m_callNames.end(), name));
}

void RecordLog::Clear() {
    ClearFrame();
    m_uReleasedResources = 0;
}

void RecordLog::ClearFrame() {
    m_callNames.clear();
    m_draws.clear();
    m_bFrameEnded = false;
}

void RecordLog::AddCall(const char* name) {
    if (m_bFrameEnded) {
        ClearFrame();
    }
    m_callNames.emplace_back(name);
}

void RecordLog::AddDraw(const DeviceState& state, const DrawCall& call) {
    Draw draw;
    draw.m_call = call;
    draw.m_call.m_pLayout = nullptr;
    draw.m_call.m_pUserVertices = nullptr;
    draw.m_dwFvf = state.VertexShader();
    draw.m_state = state;
    m_draws.push_back(draw);
}
