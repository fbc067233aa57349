// The complete state of a device: render and stage states, bound textures,
// transforms (with the world-matrix palette), material, lights, viewport,
// stream, indices and shaders. Defaults are the platform's. Setters store
// values and raise per-category dirty bits; checking arguments and keeping
// resources alive is the device's job, so a backend can read this freely.
#pragma once

#include "platform/d3d/D3D8.h"

class CoreTexture;
class CoreVertexBuffer;
class CoreIndexBuffer;

class DeviceState {
public:
    static constexpr DWORD kRenderStateCount = 256;  // render state values lie below this
    static constexpr DWORD kStageCount = 8;
    static constexpr DWORD kStageStateCount = 32;  // stage state values lie below this
    static constexpr DWORD kLightCount = 8;
    static constexpr DWORD kPaletteSize = 256;  // D3DTS_WORLDMATRIX(0..255)

    // What changed since the last draw. The GL backend's draw does this work
    // for each (GlBackendDraw.cpp):
    //   flag                 state     shader key  frame block  other
    //   RENDER_STATES        yes       yes         yes          -
    //   STAGE_STATES         -         yes         -            samplers, textures rebound
    //   TEXTURES             -         yes         -            textures uploaded/rebound
    //   WORLD, PALETTE       -         -           -            world blocks (palette size)
    //   VIEW, PROJECTION     -         -           yes          -
    //   TEXTURE_TRANSFORMS   -         -           yes          -
    //   MATERIAL             -         -           yes          -
    //   LIGHTS               -         yes         yes          -
    //   VIEWPORT             viewport  -           yes          -
    //   VERTEX_SHADER        -         yes         -            -
    //   STREAM, INDICES,     -         -           -            none: buffers are checked
    //   PIXEL_SHADER                                            by version at every draw
    // A changed vertex format also rebuilds the key. After a context loss the
    // backend forces every flag once.
    // A setter raises its flag even when it stores the value already there:
    // comparing would cost every call, and a spare flag costs only work the
    // backend's GL state cache mostly absorbs. The device skips binding the
    // texture already bound (no reference changes), so that raises nothing.
    enum DirtyFlag : DWORD {
        DIRTY_RENDER_STATES = 1u << 0,
        DIRTY_STAGE_STATES = 1u << 1,
        DIRTY_TEXTURES = 1u << 2,
        DIRTY_WORLD = 1u << 3,    // D3DTS_WORLD (palette entry 0)
        DIRTY_PALETTE = 1u << 4,  // palette entries 1..255
        DIRTY_VIEW = 1u << 5,
        DIRTY_PROJECTION = 1u << 6,
        DIRTY_TEXTURE_TRANSFORMS = 1u << 7,
        DIRTY_MATERIAL = 1u << 8,
        DIRTY_LIGHTS = 1u << 9,
        DIRTY_VIEWPORT = 1u << 10,
        DIRTY_STREAM = 1u << 11,
        DIRTY_INDICES = 1u << 12,
        DIRTY_VERTEX_SHADER = 1u << 13,
        DIRTY_PIXEL_SHADER = 1u << 14,
        DIRTY_ALL = (1u << 15) - 1,
    };

    DeviceState();

    // Every state back at the platform's default for a device created (or
    // reset) with these parameters; everything marked dirty. Bound resource
    // pointers are simply cleared: the device unbinds them first.
    void ResetToDefaults(const D3DPRESENT_PARAMETERS& parameters, DWORD behaviorFlags);

    static bool IsValidTransform(D3DTRANSFORMSTATETYPE state);

    DWORD RenderState(D3DRENDERSTATETYPE state) const { return m_dwRenderState[state % kRenderStateCount]; }
    float RenderStateFloat(D3DRENDERSTATETYPE state) const;
    void SetRenderState(D3DRENDERSTATETYPE state, DWORD value);

    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
        return m_dwStageState[stage % kStageCount][type % kStageStateCount];
    }
    void SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value);

    CoreTexture* Texture(DWORD stage) const { return m_pTexture[stage % kStageCount]; }
    void SetTexture(DWORD stage, CoreTexture* texture);

    // `state` must pass IsValidTransform.
    const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const;
    void SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix);
    const D3DMATRIX& WorldMatrix(DWORD index) const { return m_matWorld[index % kPaletteSize]; }
    // One past the highest palette entry set since the defaults (at least 1),
    // so a backend uploads only the part in use.
    DWORD PaletteEntriesInUse() const { return m_dwPaletteInUse; }

    const D3DMATERIAL8& Material() const { return m_material; }
    void SetMaterial(const D3DMATERIAL8& material);

    bool IsLightDefined(DWORD index) const { return m_bLightDefined[index % kLightCount]; }
    const D3DLIGHT8& Light(DWORD index) const { return m_light[index % kLightCount]; }
    void SetLight(DWORD index, const D3DLIGHT8& light);
    bool IsLightEnabled(DWORD index) const { return m_bLightEnabled[index % kLightCount]; }
    // Enabling a light never set gives it the platform's default light.
    void EnableLight(DWORD index, bool enable);

    const D3DVIEWPORT8& Viewport() const { return m_viewport; }
    void SetViewport(const D3DVIEWPORT8& viewport);

    CoreVertexBuffer* StreamSource() const { return m_pStream; }
    UINT StreamStride() const { return m_uStreamStride; }
    void SetStreamSource(CoreVertexBuffer* buffer, UINT stride);

    CoreIndexBuffer* Indices() const { return m_pIndices; }
    UINT BaseVertexIndex() const { return m_uBaseVertexIndex; }
    void SetIndices(CoreIndexBuffer* buffer, UINT baseVertexIndex);

    // The vertex shader handle is an FVF for the fixed-function pipeline.
    DWORD VertexShader() const { return m_dwVertexShader; }
    void SetVertexShader(DWORD handle);
    DWORD PixelShader() const { return m_dwPixelShader; }
    void SetPixelShader(DWORD handle);

    DWORD Dirty() const { return m_dwDirty; }
    void MarkDirty(DWORD flags) { m_dwDirty |= flags; }
    void ClearDirty(DWORD flags = DIRTY_ALL) { m_dwDirty &= ~flags; }

    static D3DLIGHT8 DefaultLight();
    static D3DMATRIX Identity();

private:
    DWORD m_dwRenderState[kRenderStateCount];
    DWORD m_dwStageState[kStageCount][kStageStateCount];
    CoreTexture* m_pTexture[kStageCount];
    D3DMATRIX m_matView;
    D3DMATRIX m_matProjection;
    D3DMATRIX m_matTexture[kStageCount];
    D3DMATRIX m_matWorld[kPaletteSize];
    DWORD m_dwPaletteInUse;
    D3DMATERIAL8 m_material;
    D3DLIGHT8 m_light[kLightCount];
    bool m_bLightDefined[kLightCount];
    bool m_bLightEnabled[kLightCount];
    D3DVIEWPORT8 m_viewport;
    CoreVertexBuffer* m_pStream;
    UINT m_uStreamStride;
    CoreIndexBuffer* m_pIndices;
    UINT m_uBaseVertexIndex;
    DWORD m_dwVertexShader;
    DWORD m_dwPixelShader;
    DWORD m_dwDirty;
};
