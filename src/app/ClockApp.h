// The one application object: sets up the window and device choices, owns
// the members of the scene and wires them to the frame's hooks.
#pragma once

#include "app/KeyState.h"
#include "framework/AppFrame.h"
#include "framework/BitmapFont.h"
#include "overlay/Flags.h"
#include "platform/dinput/DInput.h"
#include "scene/ViewportPair.h"

class ClockApp : public AppFrame {
public:
    ClockApp();
    ~ClockApp() override;

    HRESULT AcceptDevice(const D3DCAPS8* caps, DWORD behavior, D3DFORMAT backBufferFormat) override;
    HRESULT OnAppInit() override;
    HRESULT OnDeviceCreated() override;
    HRESULT OnDeviceRestored() override;
    HRESULT OnFrameUpdate() override;
    HRESULT OnFrameRender() override;
    HRESULT OnDeviceLost() override;
    HRESULT OnDeviceDestroyed() override;
    HRESULT OnAppExit() override;
    LRESULT HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

    HRESULT SetupInput(HWND hWnd);
    HRESULT LoadMedia();

    // Takes the keyboard snapshot into the key state; re-acquires when it cannot.
    void ReadKeys();
    // The per-frame update of the members that exist; always S_OK.
    HRESULT FrameUpdate();

    const KeyState& Keys() const { return m_keyState; }
    Flags* GetFlags() const { return m_pFlags; }
    const ViewportPair* Viewports() const { return m_pViewports; }
    BOOL IsLoading() const { return m_bLoading; }

private:
    BOOL m_bLoading;
    BitmapFont* m_pFont;
    IDirectInput8A* m_pDI;
    IDirectInputDevice8A* m_pKeyboard;
    KeyState m_keyState;
    int m_nQuit;
    Flags* m_pFlags;
    ViewportPair* m_pViewports;
};
