#include "platform/d3d/record/RecordLog.h"

#include <algorithm>

#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"

DWORD RecordLog::RenderStateAtDraw(size_t index, D3DRENDERSTATETYPE state) const {
    return StateAtDraw(index).RenderState(state);
}

DWORD RecordLog::StageStateAtDraw(size_t index, DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    return StateAtDraw(index).StageState(stage, type);
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

std::vector<std::string> RecordLog::CallsInScene(size_t scene) const {
    if (scene >= m_scenes.size()) {
        return {};
    }
    const Scene& s = m_scenes[scene];
    const size_t end = s.m_bEnded ? s.m_uEndCall : m_callNames.size();
    return std::vector<std::string>(m_callNames.begin() + static_cast<std::ptrdiff_t>(s.m_uFirstCall),
                                    m_callNames.begin() + static_cast<std::ptrdiff_t>(end));
}

void RecordLog::Clear() {
    ClearFrame();
    m_uPresents = 0;
    m_uReleasedResources = 0;
}

void RecordLog::ClearFrame() {
    m_callNames.clear();
    m_draws.clear();
    m_clears.clear();
    m_scenes.clear();
    m_bInScene = false;
    m_bFrameEnded = false;
}

void RecordLog::AddCall(const char* name) {
    if (m_bFrameEnded) {
        ClearFrame();
    }
    m_callNames.emplace_back(name);
}

void RecordLog::AddPresent() {
    ++m_uPresents;
    m_bFrameEnded = m_bLastFrameOnly;
}

void RecordLog::AddDraw(const DeviceState& state, const DrawCall& call) {
    Draw draw;
    draw.m_call = call;
    draw.m_call.m_pLayout = nullptr;
    draw.m_call.m_pUserVertices = nullptr;
    draw.m_dwFvf = state.VertexShader();
    draw.m_uCallIndex = m_callNames.empty() ? 0 : m_callNames.size() - 1;
    draw.m_bInScene = m_bInScene;
    draw.m_state = state;
    m_draws.push_back(draw);
}

void RecordLog::AddClear(const DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                         float z, DWORD stencil) {
    ClearRecord record;
    record.m_dwFlags = flags;
    record.m_color = color;
    record.m_fZ = z;
    record.m_dwStencil = stencil;
    record.m_viewport = state.Viewport();
    if (rects != nullptr) {
        record.m_rects.assign(rects, rects + rectCount);
    }
    m_clears.push_back(record);
}

void RecordLog::BeginScene() {
    Scene scene;
    scene.m_uFirstCall = m_callNames.size();
    m_scenes.push_back(scene);
    m_bInScene = true;
}

void RecordLog::EndScene() {
    if (!m_scenes.empty() && m_bInScene) {
        m_scenes.back().m_uEndCall = m_callNames.size() - 1;  // the EndScene call itself
        m_scenes.back().m_bEnded = true;
    }
    m_bInScene = false;
}
