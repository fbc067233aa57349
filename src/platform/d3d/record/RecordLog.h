// What a recording device saw: every device call by name and every draw with a
// copy of the state it was drawn with. Tests query it.
#pragma once

#include <string>
#include <vector>

#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/RenderBackend.h"

class RecordLog {
public:
    struct Draw {
        DrawCall m_call;  // m_pLayout and m_pUserVertices are cleared: they do not outlive the call
        DWORD m_dwFvf = 0;
        DeviceState m_state;
    };

    // ---- queries
    size_t DrawCount() const { return m_draws.size(); }
    // `index` must be below DrawCount().
    const Draw& DrawAt(size_t index) const { return m_draws.at(index); }
    const DeviceState& StateAtDraw(size_t index) const { return m_draws.at(index).m_state; }
    DWORD RenderStateAtDraw(size_t index, D3DRENDERSTATETYPE state) const;
    // The texture bound at the draw (compare with the pointer the program holds).
    IDirect3DBaseTexture8* TextureAtDraw(size_t index, DWORD stage) const;
    D3DMATRIX TransformAtDraw(size_t index, D3DTRANSFORMSTATETYPE state) const;
    D3DMATERIAL8 MaterialAtDraw(size_t index) const;
    DWORD FvfAtDraw(size_t index) const { return m_draws.at(index).m_dwFvf; }
    IDirect3DVertexBuffer8* StreamAtDraw(size_t index) const;
    UINT StrideAtDraw(size_t index) const { return m_draws.at(index).m_state.StreamStride(); }

    // Every device call in order, by method name ("SetRenderState").
    const std::vector<std::string>& CallNames() const { return m_callNames; }
    size_t CountCalls(const std::string& name) const;
    // Resources whose backend hook ran (destroyed resources).
    size_t ReleasedResourceCount() const { return m_uReleasedResources; }

    // Forgets everything recorded so far.
    void Clear();
    // Each draw keeps a whole state copy (about 20 KB), so a test running
    // many frames keeps only the last one: with this on, the first call after
    // a Present starts the log afresh (released resources keep counting).
    void KeepLastFrameOnly(bool enable) { m_bLastFrameOnly = enable; }

    // ---- recording (the backend)
    void AddCall(const char* name);
    void AddDraw(const DeviceState& state, const DrawCall& call);
    void AddPresent() { m_bFrameEnded = m_bLastFrameOnly; }
    void AddReleasedResource() { ++m_uReleasedResources; }

private:
    void ClearFrame();

    std::vector<std::string> m_callNames;
    std::vector<Draw> m_draws;
    size_t m_uReleasedResources = 0;
    bool m_bLastFrameOnly = false;
    bool m_bFrameEnded = false;
};
