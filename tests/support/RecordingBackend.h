// A device backend that draws nothing and remembers what was asked of it, in
// order: scenes, clears, draws with the vertices they read, presents, resets
// and the cursor image.
// Not platform_d3d_record's RecordBackend: that one names every call and
// copies the whole state per draw (it allocates every frame); this one keeps
// only what frame tests read and can stop recording for allocation tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/RenderBackend.h"

struct BackendEvent {
    enum Kind { kClear, kDraw, kPresent, kBeginScene, kEndScene, kReset };
    explicit BackendEvent(Kind kind) : m_kind(kind) {}
    Kind m_kind;
    UINT m_uPrimitives = 0;
    // The draw's vertices, copied from the stream it read.
    std::vector<BYTE> m_vertices;
    UINT m_uStride = 0;
    // A few states the draw saw.
    D3DMATRIX m_world = {};
    DWORD m_dwAlphaBlend = 0;
    DWORD m_dwMinFilter = 0;
};

// What a test shares with its backends (the device owns the backend itself).
struct BackendLog {
    std::vector<BackendEvent> m_events;
    // Off: scenes, clears, draws and presents are not recorded, so frames cost
    // only what the program does (allocation tests and benchmarks).
    bool m_bRecord = true;
    // Draws seen, counted even while not recording.
    int m_nDraws = 0;
    // What TestCooperativeLevel answers.
    HRESULT m_hrCooperative = D3D_OK;
    // The next m_nFailingResets device resets (not creations) fail.
    int m_nFailingResets = 0;
    int m_nResets = 0;
    std::vector<DWORD> m_cursorPixels;
    UINT m_uCursorWidth = 0;
    UINT m_uCursorHeight = 0;
    UINT m_uHotX = 0;
    UINT m_uHotY = 0;
    int m_nShowCursor = 0;

    int Count(BackendEvent::Kind kind) const;
    std::vector<const BackendEvent*> Of(BackendEvent::Kind kind) const;
};

class RecordingBackend final : public RenderBackend {
public:
    explicit RecordingBackend(BackendLog* log) : m_pLog(log) {}

    HRESULT Reset(D3DPRESENT_PARAMETERS& parameters) override;
    HRESULT TestCooperativeLevel() override { return m_pLog->m_hrCooperative; }
    HRESULT BeginScene() override { return Note(BackendEvent::kBeginScene); }
    HRESULT EndScene() override { return Note(BackendEvent::kEndScene); }
    HRESULT Clear(DeviceState&, DWORD, const D3DRECT*, DWORD, D3DCOLOR, float, DWORD) override {
        return Note(BackendEvent::kClear);
    }
    HRESULT Draw(DeviceState& state, const DrawCall& call) override;
    HRESULT Present(const RECT*, const RECT*, HWND) override { return Note(BackendEvent::kPresent); }
    HRESULT ReadFrontBuffer(UINT, UINT, BYTE*, UINT) override { return D3DERR_NOTAVAILABLE; }
    HRESULT SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) override;
    void SetCursorPosition(int, int, DWORD) override {}
    void ShowCursor(bool show) override { m_pLog->m_nShowCursor += show ? 1 : 0; }
    void ReleaseResource(ResourceBase&) override {}

private:
    HRESULT Note(BackendEvent::Kind kind) {
        if (m_pLog->m_bRecord) {
            m_pLog->m_events.emplace_back(kind);
        }
        return D3D_OK;
    }
    BackendLog* m_pLog;
    // The first Reset is the device's creation.
    bool m_bCreated = false;
};

// Creates a recording device as CreateDevice would hand it out.
HRESULT CreateRecordingTestDevice(BackendLog* log, const DeviceCore::Creation& creation,
                                  D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device);
