// What a recording device saw: every device call by name, every clear, and
// every draw with a copy of the state it was drawn with. Tests query it.
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
        size_t m_uCallIndex = 0;  // position in CallNames()
        bool m_bInScene = false;
        DeviceState m_state;
    };

    struct ClearRecord {
        DWORD m_dwFlags = 0;
        D3DCOLOR m_color = 0;
        float m_fZ = 0.0f;
        DWORD m_dwStencil = 0;
        D3DVIEWPORT8 m_viewport = {};
        std::vector<D3DRECT> m_rects;
    };

    // ---- queries
    size_t DrawCount() const { return m_draws.size(); }
    // `index` must be below DrawCount().
    const Draw& DrawAt(size_t index) const { return m_draws.at(index); }
    const DeviceState& StateAtDraw(size_t index) const { return m_draws.at(index).m_state; }
    DWORD RenderStateAtDraw(size_t index, D3DRENDERSTATETYPE state) const;
    DWORD StageStateAtDraw(size_t index, DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
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
    // Number of BeginScene calls that opened a scene.
    size_t SceneCount() const { return m_scenes.size(); }
    // The calls after the scene-th BeginScene and before its EndScene (all
    // calls to the end when it was never ended). Empty for an unknown scene.
    std::vector<std::string> CallsInScene(size_t scene) const;
    const std::vector<ClearRecord>& Clears() const { return m_clears; }
    size_t PresentCount() const { return m_uPresents; }
    // Resources whose backend hook ran (destroyed resources).
    size_t ReleasedResourceCount() const { return m_uReleasedResources; }

    // Forgets everything recorded so far.
    void Clear();
    // Each draw keeps a whole state copy (about 20 KB), so a test running
    // many frames keeps only the last one: with this on, the first call after
    // a Present starts the log afresh (presents and releases keep counting).
    void KeepLastFrameOnly(bool enable) { m_bLastFrameOnly = enable; }

    // ---- recording (the backend)
    void AddCall(const char* name);
    void AddDraw(const DeviceState& state, const DrawCall& call);
    void AddClear(const DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil);
    void BeginScene();
    void EndScene();
    void AddPresent();
    void AddReleasedResource() { ++m_uReleasedResources; }

private:
    void ClearFrame();

    struct Scene {
        size_t m_uFirstCall = 0;  // the call after BeginScene
        size_t m_uEndCall = 0;    // the EndScene call
        bool m_bEnded = false;
    };

    std::vector<std::string> m_callNames;
    std::vector<Draw> m_draws;
    std::vector<ClearRecord> m_clears;
    std::vector<Scene> m_scenes;
    bool m_bInScene = false;
    size_t m_uPresents = 0;
    size_t m_uReleasedResources = 0;
    bool m_bLastFrameOnly = false;
    bool m_bFrameEnded = false;
};
