// The contract between the shared device core and a backend that makes (or,
// for tests, records) the pixels. The core has already checked every argument
// and updated the DeviceState before it calls the backend.
#pragma once

#include "platform/d3d/D3D8.h"

class DeviceState;
class FvfLayout;
class ResourceBase;
class CoreSurface;

// One draw, as the program issued it.
struct DrawCall {
    D3DPRIMITIVETYPE m_type = D3DPT_TRIANGLELIST;
    UINT m_uPrimitiveCount = 0;
    // Vertices (non-indexed) or indices (indexed) the primitives consume.
    UINT m_uElementCount = 0;
    bool m_bIndexed = false;
    // Non-indexed: first vertex of the stream (or of the user data).
    UINT m_uStartVertex = 0;
    // Indexed: the program's range hint and the first index of the index
    // buffer; vertex = base vertex index (DeviceState) + index.
    UINT m_uMinIndex = 0;
    UINT m_uNumVertices = 0;
    UINT m_uStartIndex = 0;
    // DrawPrimitiveUP: the caller's vertices (valid during the call only);
    // null when the bound stream is used.
    const BYTE* m_pUserVertices = nullptr;
    UINT m_uUserStride = 0;
    // The current vertex shader's FVF, decoded.
    const FvfLayout* m_pLayout = nullptr;
};

class RenderBackend {
public:
    virtual ~RenderBackend() = default;

    // Called once when the device is created and at each Reset the core has
    // accepted. The backend may complete the parameters (a zero back-buffer
    // width or height in a window means the window's client size). A failure
    // fails the creation or the Reset.
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS& parameters) = 0;

    // D3D_OK, D3DERR_DEVICELOST or D3DERR_DEVICENOTRESET.
    virtual HRESULT TestCooperativeLevel() = 0;

    // Told of every device method the program calls, by its name, before the
    // call is checked or carried out. Tests log it; a renderer ignores it.
    virtual void OnDeviceCall(const char* /*name*/) {}

    virtual HRESULT BeginScene() { return D3D_OK; }
    virtual HRESULT EndScene() { return D3D_OK; }

    // Clears within the current viewport (state.Viewport()), and within the
    // given rectangles when rectCount > 0. Flags are already checked against
    // the presence of a depth buffer.
    virtual HRESULT Clear(DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color,
                          float z, DWORD stencil) = 0;

    // Draws with the current state. The backend clears the dirty bits it has
    // consumed (state.ClearDirty). Buffers and counts are already checked:
    // every vertex and index the call reaches lies inside its buffer.
    virtual HRESULT Draw(DeviceState& state, const DrawCall& call) = 0;

    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride) = 0;

    // The last presented frame as A8R8G8B8 rows, `width` x `height` (the back
    // buffer's size), written at `bits` with `pitch` bytes between rows.
    virtual HRESULT ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) = 0;

    // Cursor image: an A8R8G8B8 image surface, already checked.
    virtual HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) = 0;
    virtual void SetCursorPosition(int x, int y, DWORD flags) = 0;
    virtual void ShowCursor(bool show) = 0;

    // A resource is being destroyed: free whatever resource.BackendData()
    // holds. Called for every resource, with BackendData() null or not.
    virtual void ReleaseResource(ResourceBase& resource) = 0;
};
