// A backend that draws nothing: it logs every call into a RecordLog and keeps
// what a window would have shown as plain values tests can read.
// The frame harness's RecordingBackend stays separate: this log names every call
// and copies the whole state per draw, so it allocates on every frame, which
// the whole-frame allocation tests and benchmarks cannot afford.
#pragma once

#include "platform/d3d/core/RenderBackend.h"
#include "platform/d3d/record/RecordLog.h"

class RecordBackend final : public RenderBackend {
public:
    // A zero back-buffer size in a window becomes this client size.
    RecordBackend(UINT clientWidth, UINT clientHeight);

    RecordLog& Log() { return m_log; }

    // What TestCooperativeLevel answers (a test plays a lost device with it).
    void SetCooperativeLevel(HRESULT result) { m_hrCooperativeLevel = result; }
    // Make the next Reset fail with `result` (once).
    void FailNextReset(HRESULT result) { m_hrNextReset = result; }

    bool IsCursorVisible() const { return m_bCursorVisible; }
    POINT CursorPosition() const { return m_cursorPosition; }
    POINT CursorHotSpot() const { return m_cursorHotSpot; }

    HRESULT Reset(D3DPRESENT_PARAMETERS& parameters) override;
    HRESULT TestCooperativeLevel() override { return m_hrCooperativeLevel; }
    void OnDeviceCall(const char* name) override { m_log.AddCall(name); }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Clear(DeviceState& state, DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                  DWORD stencil) override;
    HRESULT Draw(DeviceState& state, const DrawCall& call) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride) override;
    HRESULT ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) override;
    HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) override;
    void SetCursorPosition(int x, int y, DWORD flags) override;
    void ShowCursor(bool show) override { m_bCursorVisible = show; }
    void ReleaseResource(ResourceBase& resource) override;

private:
    UINT m_uClientWidth;
    UINT m_uClientHeight;
    RecordLog m_log;
    HRESULT m_hrCooperativeLevel = D3D_OK;
    HRESULT m_hrNextReset = D3D_OK;
    bool m_bCursorVisible = false;
    POINT m_cursorPosition = {0, 0};
    POINT m_cursorHotSpot = {0, 0};
    D3DCOLOR m_backColor = 0;
    D3DCOLOR m_frontColor = 0;
};
