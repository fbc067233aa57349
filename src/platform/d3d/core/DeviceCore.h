// The device the program talks to: argument checks, state, state blocks,
// resources, reference counts and the Reset rules. Pixels are the backend's.
#pragma once

#include <memory>
#include <vector>

#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"
#include "platform/d3d/core/RenderBackend.h"
#include "platform/kernel/ComObject.h"

class ResourceBase;
class StateBlock;

class DeviceCore final : public ComObject<IDirect3DDevice8> {
public:
    // What CreateDevice was asked for.
    struct Creation {
        IDirect3D8* m_pDirect3D = nullptr;  // may be null; referenced while the device lives
        UINT m_uAdapter = 0;
        D3DDEVTYPE m_deviceType = D3DDEVTYPE_HAL;
        HWND m_hFocusWindow = nullptr;
        DWORD m_dwBehaviorFlags = 0;
        D3DCAPS8 m_caps = {};
    };

    // Checks the presentation parameters, lets the backend set up its back
    // buffer (RenderBackend::Reset) and hands out a device with one
    // reference. On failure *device is null and nothing is kept.
    static HRESULT Create(std::unique_ptr<RenderBackend> backend, const Creation& creation,
                          D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device);

    // Like the resources and the Direct3D object of this stand-in, the device
    // answers no interface (not even IUnknown): nothing in the program asks.
    HRESULT QueryInterface(REFIID riid, void** object) override;

    // IDirect3DDevice8
    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D8** d3d) override;
    HRESULT GetDeviceCaps(D3DCAPS8* caps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* mode) override;
    HRESULT GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, IDirect3DSurface8* cursorBitmap) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    BOOL ShowCursor(BOOL show) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* presentationParameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT backBuffer, D3DBACKBUFFER_TYPE type, IDirect3DSurface8** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture8** texture) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                               IDirect3DVertexBuffer8** vertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer8** indexBuffer) override;
    HRESULT CreateImageSurface(UINT width, UINT height, D3DFORMAT format, IDirect3DSurface8** surface) override;
    HRESULT GetFrontBuffer(IDirect3DSurface8* destSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
    HRESULT MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* viewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* material) override;
    HRESULT GetMaterial(D3DMATERIAL8* material) override;
    HRESULT SetLight(DWORD index, const D3DLIGHT8* light) override;
    HRESULT GetLight(DWORD index, D3DLIGHT8* light) override;
    HRESULT LightEnable(DWORD index, BOOL enable) override;
    HRESULT GetLightEnable(DWORD index, BOOL* enable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(DWORD* token) override;
    HRESULT ApplyStateBlock(DWORD token) override;
    HRESULT CaptureStateBlock(DWORD token) override;
    HRESULT DeleteStateBlock(DWORD token) override;
    HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture8** texture) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture8* texture) override;
    HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, UINT minIndex, UINT numVertices, UINT startIndex,
                                 UINT primitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertexData,
                            UINT vertexStride) override;
    HRESULT SetVertexShader(DWORD handle) override;
    HRESULT GetVertexShader(DWORD* handle) override;
    HRESULT SetPixelShader(DWORD handle) override;
    HRESULT GetPixelShader(DWORD* handle) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8* streamData, UINT stride) override;
    HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer8** streamData, UINT* stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* indexData, UINT baseVertexIndex) override;
    HRESULT GetIndices(IDirect3DIndexBuffer8** indexData, UINT* baseVertexIndex) override;

    // For backends and tests.
    RenderBackend& Backend() { return *m_pBackend; }
    const DeviceState& State() const { return m_state; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return m_presentParameters; }
    // Resources the program still holds (public reference above zero).
    DWORD LiveResourceCount() const { return m_dwLiveResources; }
    DWORD LiveDefaultPoolCount() const { return m_dwLiveDefaultPool; }

    // Bookkeeping called by ResourceBase.
    void OnResourceCreated(const ResourceBase& resource);
    void OnResourceOrphaned(const ResourceBase& resource);
    void OnResourceDestroyed(ResourceBase& resource);

private:
    DeviceCore(std::unique_ptr<RenderBackend> backend, const Creation& creation,
               const D3DPRESENT_PARAMETERS& parameters);
    ~DeviceCore() override;

    // Limit that keeps a wild stride from reading far past the vertices.
    static constexpr UINT kMaxStreamStride = 1024;

    static HRESULT CheckPresentParameters(const D3DPRESENT_PARAMETERS& parameters);
    // Checks the parameters and lets the backend set up its back buffer;
    // `completed` receives them as the backend completed them.
    static HRESULT SetUpBackBuffer(RenderBackend& backend, const D3DPRESENT_PARAMETERS& parameters,
                                   D3DPRESENT_PARAMETERS& completed);
    D3DSURFACE_DESC BackBufferDesc() const;
    // What every Set call does after naming itself to the backend: refuse
    // unless `valid`; else `write` the value into the state block being
    // recorded (and `mark` it there) or, when none is, into the device's state.
    template <class Write, class Mark>
    HRESULT Store(const char* call, bool valid, Write write, Mark mark);
    // The same for the Get calls: refuse a null `out` or unless `valid`; else *out = read().
    template <class Out, class Read>
    HRESULT Answer(const char* call, Out* out, bool valid, Read read);
    bool IsValidViewport(const D3DVIEWPORT8* viewport) const;
    // Every object of these interfaces is made by a device core, so the cast
    // is exact; one from another device (or null) gives null.
    template <class Interface, class Core>
    Core* OwnResource(Interface* resource) const {
        Core* core = static_cast<Core*>(resource);
        return core != nullptr && core->Device() == this ? core : nullptr;
    }
    void SetTextureBinding(DeviceState& state, DWORD stage, CoreTexture* texture);
    void SetStreamBinding(DeviceState& state, CoreVertexBuffer* buffer, UINT stride);
    void SetIndexBinding(DeviceState& state, CoreIndexBuffer* buffer, UINT baseVertexIndex);
    void UnbindAll(DeviceState& state);
    const FvfLayout* CurrentLayout();
    HRESULT CheckStreamRange(UINT firstVertex, ULONGLONG vertexCount, const FvfLayout& layout) const;
    StateBlock* FindStateBlock(DWORD token);
    void CopyRecordedStates(const StateBlock& mask, const DeviceState& from, DeviceState& to);

    std::unique_ptr<RenderBackend> m_pBackend;
    Creation m_creation;
    D3DPRESENT_PARAMETERS m_presentParameters;
    DeviceState m_state;
    DWORD m_dwLiveResources = 0;
    DWORD m_dwLiveDefaultPool = 0;
    bool m_bInScene = false;
    bool m_bCursorVisible = false;
    FvfLayout m_layout;
    bool m_bLayoutValid = false;
    std::vector<std::unique_ptr<StateBlock>> m_stateBlocks;  // token = index + 1; null when deleted
    std::unique_ptr<StateBlock> m_pRecording;                // the block between Begin/EndStateBlock
};
