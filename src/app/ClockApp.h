// The one application object: sets up the window and device choices, owns
// the members of the scene and wires them to the frame's hooks.
#pragma once

#include "app/DepthFog.h"
#include "app/KeyState.h"
#include "app/StartOptions.h"
#include "app/TimerPanel.h"
#include "bird/BirdFlight.h"
#include "bird/SkinnedMesh.h"
#include "framework/AppFrame.h"
#include "framework/BitmapFont.h"
#include "overlay/ButtonBar.h"
#include "overlay/Flags.h"
#include "overlay/MainFrame.h"
#include "particles/ParticleBubble.h"
#include "particles/ParticleTrailPC.h"
#include "particles/ParticleTrailRibonG.h"
#include "particles/RibbonLeaders.h"
#include "platform/dinput/DInput.h"
#include "scene/BackGroundObj.h"
#include "scene/Camera.h"
#include "scene/DrawQueue.h"
#include "scene/FergusonPath.h"
#include "scene/Model.h"
#include "scene/TexList.h"
#include "scene/Velmoran.h"
#include "scene/ViewportPair.h"
#include "sound/MusicManager.h"
#include "sound/MusicSegment.h"

class ClockApp : public AppFrame {
public:
    // The steps of a frame's drawing, each of which the render benchmark can
    // leave out to learn what it costs.
    enum RenderStep : DWORD {
        STEP_STATS_TEXT = 1,
        STEP_SCENE_MESHES = 2,
        STEP_BIRD = 4,
        STEP_SPARKS = 8,
        STEP_RIBBONS = 16,
        STEP_BUBBLES = 32,
        STEP_OVERLAY = 64,
        STEP_ALL = 127,
    };

    explicit ClockApp(const StartOptions& options = StartOptions());
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
    // Draws the scene into g_viewport between BeginScene and EndScene; always S_OK.
    HRESULT RenderScene();

    const KeyState& Keys() const { return m_keyState; }
    Flags* GetFlags() const { return m_pFlags; }
    const ViewportPair* Viewports() const { return m_pViewports; }
    BOOL IsLoading() const { return m_bLoading; }
    int QuitFlag() const { return m_nQuit; }
    Camera* GetCamera() const { return m_pCamera; }
    DepthFog* GetDepthFog() const { return m_pDepthFog; }
    FergusonPath* GetPath() const { return m_pPath; }
    DrawQueue* GetDrawQueue() const { return m_pDrawQueue; }
    Model* GetClockDammy() const { return m_pClockDammy; }
    BirdFlight* GetBirdFlight() const { return m_pBirdFlight; }
    ParticleTrailPC* GetSparkTrail() const { return m_pSparkTrail; }
    BackGroundObj* GetBackGround() const { return m_pBackGround; }
    Velmoran* GetVelmoran() const { return m_pVelmoran; }
    TexList* GetTexList() const { return m_pTexList; }
    SkinnedMesh* GetDammySkin() const { return m_pDammySkin; }
    SkinnedMesh* GetBird() const { return m_pBird; }
    ParticleBubble* GetBubbles() const { return m_pBubbles; }
    RibbonLeaders* GetRibbonLeaders() const { return m_pRibbonLeaders; }
    ParticleTrailRibonG* GetRibbon() const { return m_pRibbon; }
    ButtonBar* GetButtonBar() const { return m_pButtonBar; }
    TimerPanel* GetTimerPanel() const { return m_pTimerPanel; }
    MainFrame* GetMainFrame() const { return m_pMainFrame; }
    int TimerPanelOpen() const { return m_nTimerPanelOpen; }
    MusicManager* GetMusic() const { return m_pMusic; }
    MusicSegment* GetAlarm() const { return m_pAlarm; }
    void SetRenderSteps(DWORD steps) { m_dwRenderSteps = steps; }

private:
    // Destroys the members in the order they were created.
    void DeleteMembers();
    // The overlay's part of a frame's update: the cursor while captured, the
    // corner buttons and the open timer panel. TRUE when a button acted, which ends the frame's update.
    BOOL UpdateOverlay();
    // Closes the timer panel and puts it back to its start.
    void CloseTimerPanel();

    BOOL m_bLoading;
    BitmapFont* m_pFont;
    IDirectInput8A* m_pDI;
    IDirectInputDevice8A* m_pKeyboard;
    KeyState m_keyState;
    int m_nQuit;
    Flags* m_pFlags;
    ViewportPair* m_pViewports;
    Camera* m_pCamera;
    DepthFog* m_pDepthFog;
    FergusonPath* m_pPath;
    DrawQueue* m_pDrawQueue;
    SkinnedMesh* m_pDammySkin;
    Model* m_pClockDammy;
    BirdFlight* m_pBirdFlight;
    SkinnedMesh* m_pBird;
    ParticleTrailPC* m_pSparkTrail;
    ParticleBubble* m_pBubbles;
    BackGroundObj* m_pBackGround;
    Velmoran* m_pVelmoran;
    RibbonLeaders* m_pRibbonLeaders;
    ParticleTrailRibonG* m_pRibbon;
    int m_nLastButton;
    // Whether the last frame saw the left button holding the capture.
    BOOL m_bCaptureSeen;
    ButtonBar* m_pButtonBar;
    int m_nTimerPanelOpen;
    TimerPanel* m_pTimerPanel;
    MainFrame* m_pMainFrame;
    MusicManager* m_pMusic;
    MusicSegment* m_pAlarm;
    // The texture cache the display meshes share; outlives every model.
    TexList* m_pTexList;
    DWORD m_dwRenderSteps = STEP_ALL;
    // The most a frame may move the world by; longer frames are stalls.
    float m_fStallStep = 0.0f;
};
