#include "app/ClockApp.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "app/FrameValues.h"
#include "app/ViewControl.h"
#include "framework/FrameStep.h"
#include "platform/win/WinGdi.h"
#include "sound/AlarmSound.h"

namespace {

constexpr D3DCOLOR kWhite = 0xFFFFFFFF;
constexpr D3DCOLOR kBlack = 0xFF000000;
constexpr D3DCOLOR kStatsColor = 0xFF00C800;
// The longest frame step at the display's pace; longer frames are stalls,
// unless the user chose a slower pace.
constexpr float kMaxFrameStep = 0.03f;
// A frame at the display's usual refresh: a slower pace moves the scene in
// steps of this length.
constexpr float kSceneStep = 1.0f / 60.0f;

D3DLIGHT8 DirectionalLight(float dx, float dy, float dz, float intensity) {
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = {dx, dy, dz};
    light.Diffuse = {intensity, intensity, intensity, 0.0f};
    return light;
}

BOOL IsDown(const BYTE (&raw)[256], BYTE scanCode) {
    return (raw[scanCode] & 0x80) != 0 ? 1 : 0;
}

template <typename T>
void DeleteOwned(T*& p) {
    delete p;
    p = nullptr;
}

}  // namespace

ClockApp::ClockApp(const StartOptions& options)
    : m_bLoading(TRUE),
      m_pFont(nullptr),
      m_pDI(nullptr),
      m_pKeyboard(nullptr),
      m_keyState(),
      m_nQuit(0),
      m_pFlags(nullptr),
      m_pViewports(nullptr),
      m_pCamera(nullptr),
      m_pDepthFog(nullptr),
      m_pPath(nullptr),
      m_pDrawQueue(nullptr),
      m_pDammySkin(nullptr),
      m_pClockDammy(nullptr),
      m_pBirdFlight(nullptr),
      m_pBird(nullptr),
      m_pSparkTrail(nullptr),
      m_pBubbles(nullptr),
      m_pBackGround(nullptr),
      m_pVelmoran(nullptr),
      m_pRibbonLeaders(nullptr),
      m_pRibbon(nullptr),
      m_nLastButton(0),
      m_bCaptureSeen(FALSE),
      m_pButtonBar(nullptr),
      m_nTimerPanelOpen(0),
      m_pTimerPanel(nullptr),
      m_pMainFrame(nullptr),
      m_pMusic(nullptr),
      m_pAlarm(nullptr),
      m_pTexList(nullptr) {
    m_dwCreationWidth = 512;
    m_dwCreationHeight = 384;
    m_szWindowTitle = "Velmoran no Horlo";
    m_bUseDepthBuffer = TRUE;
    m_bShowCursorWhenFullscreen = TRUE;
    m_iHostWindow = options.m_bScreensaver ? options.m_iWindowId : 0;
    m_uStartAdapter = options.m_iDisplay > 0 && !options.m_bScreensaver ? static_cast<UINT>(options.m_iDisplay) : 0;
    // Under a chosen pace a frame is a stall only when it took twice as long.
    const float fPacedStall = options.m_uMaxFps > 0 ? 2.0f / static_cast<float>(options.m_uMaxFps) : 0.0f;
    m_fStallStep = fPacedStall > kMaxFrameStep ? fPacedStall : kMaxFrameStep;

    m_pFont = new BitmapFont("Arial", 12, FONT_BOLD);
    std::memset(&m_keyState, 0, sizeof(m_keyState));

    m_pTexList = new TexList();
    m_pFlags = new Flags();
    if (options.m_bResetSettings) {
        m_pFlags->LoadDefault();
    } else {
        m_pFlags->Load();
    }
    if (IsScreensaver()) {
        // The user's background and numerals, in the full view without
        // buttons and riding with the bird; the word is never saved.
        m_pFlags->ClearBits(FLAG_FRAMED_VIEW | FLAG_SHOW_BUTTONS | FLAG_MANUAL_CAMERA);
    }
    m_pViewports = new ViewportPair();
    m_pCamera = new Camera();
    m_pDepthFog = new DepthFog();
    m_pPath = new FergusonPath();
    m_pDrawQueue = new DrawQueue();
    m_pDammySkin = new SkinnedMesh();
    m_pClockDammy = new Model(m_pTexList);
    m_pBirdFlight = new BirdFlight();
    m_pBird = new SkinnedMesh();
    m_pSparkTrail = new ParticleTrailPC();
    m_pBubbles = new ParticleBubble();
    m_pBackGround = new BackGroundObj(m_pTexList);
    m_pVelmoran = new Velmoran(m_pTexList);
    m_pRibbonLeaders = new RibbonLeaders();
    m_pRibbon = new ParticleTrailRibonG();
    m_pButtonBar = new ButtonBar();
    m_pTimerPanel = new TimerPanel();
    m_pMainFrame = new MainFrame();
}

ClockApp::~ClockApp() {
    // Normally OnAppExit has emptied everything; this covers a start that
    // ended before the window existed.
    DeleteOwned(m_pFont);
    if (m_pKeyboard != nullptr) {
        m_pKeyboard->Release();
        m_pKeyboard = nullptr;
    }
    if (m_pDI != nullptr) {
        m_pDI->Release();
        m_pDI = nullptr;
    }
    DeleteMembers();
}

void ClockApp::DeleteMembers() {
    DeleteOwned(m_pFlags);
    DeleteOwned(m_pViewports);
    DeleteOwned(m_pCamera);
    DeleteOwned(m_pDepthFog);
    DeleteOwned(m_pPath);
    DeleteOwned(m_pDrawQueue);
    DeleteOwned(m_pDammySkin);
    DeleteOwned(m_pClockDammy);
    DeleteOwned(m_pBirdFlight);
    DeleteOwned(m_pBird);
    DeleteOwned(m_pSparkTrail);
    DeleteOwned(m_pBubbles);
    DeleteOwned(m_pBackGround);
    DeleteOwned(m_pVelmoran);
    DeleteOwned(m_pRibbonLeaders);
    DeleteOwned(m_pRibbon);
    DeleteOwned(m_pButtonBar);
    DeleteOwned(m_pTimerPanel);
    DeleteOwned(m_pMainFrame);
    // The segment holds its own references to the music services.
    DeleteOwned(m_pAlarm);
    DeleteOwned(m_pMusic);
    // Last: the models above gave their textures back to it.
    DeleteOwned(m_pTexList);
}

HRESULT ClockApp::AcceptDevice(const D3DCAPS8*, DWORD behavior, D3DFORMAT) {
    // Pure and hardware-only vertex processing are never used.
    if ((behavior & D3DCREATE_HARDWARE_VERTEXPROCESSING) != 0) {
        return E_FAIL;
    }
    return S_OK;
}

LRESULT ClockApp::HandleMessage(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT:
            if (m_bLoading) {
                HDC dc = GetDC(hWnd);
                if (dc != nullptr) {
                    char text[64];
                    std::snprintf(text, sizeof(text), "Loading... Please wait\n2004.5 m.quillern");
                    RECT rc;
                    GetClientRect(hWnd, &rc);
                    DrawTextA(dc, text, -1, &rc, DT_WORDBREAK);
                    ReleaseDC(hWnd, dc);
                }
            }
            break;
        case WM_LBUTTONDOWN:
            SetCapture(hWnd);
            break;
        case WM_LBUTTONUP:
            ReleaseCapture();
            break;
        default:
            break;
    }
    return AppFrame::HandleMessage(hWnd, msg, wParam, lParam);
}

HRESULT ClockApp::OnAppInit() {
    SendMessageA(m_hWnd, WM_PAINT, 0, 0);
    SetupInput(m_hWnd);
    m_bLoading = FALSE;
    // A screen saver sets no timer, so it never rings: it leaves the sound
    // device to the programs the user is running.
    if (!IsScreensaver()) {
        LoadAlarmSound(m_hWnd, &m_pMusic, &m_pAlarm);
    }
    return S_OK;
}

HRESULT ClockApp::SetupInput(HWND hWnd) {
    HRESULT hr = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void**>(&m_pDI), nullptr);
    if (FAILED(hr)) {
        m_pDI = nullptr;
        return hr;
    }
    hr = m_pDI->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr);
    if (FAILED(hr)) {
        m_pKeyboard = nullptr;
        return hr;
    }
    hr = m_pKeyboard->SetDataFormat(&c_dfDIKeyboard);
    if (FAILED(hr)) {
        return hr;
    }
    hr = m_pKeyboard->SetCooperativeLevel(hWnd, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_NOWINKEY);
    if (FAILED(hr)) {
        return hr;
    }
    m_pKeyboard->Acquire();
    return S_OK;
}

HRESULT ClockApp::OnDeviceCreated() {
    if (m_pFont != nullptr) {
        m_pFont->OnDeviceCreated(m_pd3dDevice);
    }
    LoadMedia();
    return S_OK;
}

HRESULT ClockApp::LoadMedia() {
    g_clearColor = m_pFlags->IsSet(FLAG_WHITE_BACKGROUND) ? kWhite : kBlack;
    m_pCamera->Reset();
    m_pDepthFog->SetColor(g_clearColor);
    if (FAILED(m_pPath->Load("Clock.fpp"))) {
        return E_FAIL;
    }
    if (FAILED(m_pDammySkin->Load(m_pd3dDevice, m_d3dCaps, "Dammy.x"))) {
        return E_FAIL;
    }
    if (FAILED(m_pClockDammy->Load(m_pd3dDevice, "ClockDammy.x"))) {
        return E_FAIL;
    }
    m_pBirdFlight->SetModel(m_pClockDammy);
    if (FAILED(m_pBird->Load(m_pd3dDevice, m_d3dCaps, "BlueBird01.x"))) {
        return E_FAIL;
    }
    if (FAILED(m_pSparkTrail->Load(m_pd3dDevice))) {
        return E_FAIL;
    }
    if (FAILED(m_pBubbles->Load(m_pd3dDevice))) {
        return E_FAIL;
    }
    if (FAILED(m_pBackGround->Load(m_pd3dDevice, "VelmoranTuru04.x", "Clock.bps"))) {
        return E_FAIL;
    }
    if (FAILED(m_pVelmoran->Load(m_pd3dDevice, "Clock.vps"))) {
        return E_FAIL;
    }
    m_pVelmoran->SetShowNumerals(m_pFlags->IsSet(FLAG_SHOW_NUMERALS));
    m_pRibbonLeaders->Load(m_pPath);
    if (FAILED(m_pRibbon->Load(m_pd3dDevice))) {
        return E_FAIL;
    }
    if (FAILED(m_pButtonBar->Load(m_pd3dDevice, "Bottun.dds"))) {
        return E_FAIL;
    }
    if (FAILED(m_pTimerPanel->Load(m_pd3dDevice, "BottunTimer01.dds", "SpriteDigital01.dds", "Frame01.dds"))) {
        return E_FAIL;
    }
    if (FAILED(m_pMainFrame->Load(m_pd3dDevice, "MainFrame01.dds"))) {
        return E_FAIL;
    }
    return S_OK;
}

HRESULT ClockApp::OnDeviceRestored() {
    D3DMATERIAL8 material = {};
    material.Diffuse = {1.0f, 0.0f, 0.0f, 1.0f};
    material.Ambient = {1.0f, 0.0f, 0.0f, 1.0f};
    m_pd3dDevice->SetMaterial(&material);

    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    m_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);

    m_pd3dDevice->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_ZENABLE, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    m_pd3dDevice->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    m_pd3dDevice->SetRenderState(D3DRS_AMBIENT, 0xFF0A0A1E);
    m_pd3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);

    const D3DLIGHT8 lights[3] = {
        DirectionalLight(0.1f, -0.5f, 0.0f, 1.0f),
        DirectionalLight(-2.0f, -1.0f, 0.0f, 0.5f),
        DirectionalLight(0.0f, -0.2f, 1.0f, 0.5f),
    };
    for (DWORD i = 0; i < 3; ++i) {
        m_pd3dDevice->SetLight(i, &lights[i]);
        m_pd3dDevice->LightEnable(i, TRUE);
    }
    m_pd3dDevice->SetRenderState(D3DRS_LIGHTING, TRUE);

    if (m_pFont != nullptr) {
        m_pFont->OnDeviceRestored();
    }

    m_pViewports->SetFramed(m_d3dsdBackBuffer.Width, m_d3dsdBackBuffer.Height);
    m_pViewports->SetFull(m_d3dsdBackBuffer.Width, m_d3dsdBackBuffer.Height);
    g_viewport = m_pFlags->IsSet(FLAG_FRAMED_VIEW) ? m_pViewports->Framed() : m_pViewports->Full();
    m_pButtonBar->SetViewport(g_viewport);
    m_pTimerPanel->SetViewport(g_viewport);
    m_pMainFrame->SetViewport(g_viewport);
    m_pDepthFog->Apply(m_pd3dDevice, m_pCamera, g_viewport.Width, g_viewport.Height, 1);
    m_pDammySkin->RestoreStates();
    m_pBird->RestoreStates();
    return S_OK;
}

void ClockApp::ReadKeys() {
    std::memset(m_keyState.m_abyRaw, 0, sizeof(m_keyState.m_abyRaw));
    if (m_pKeyboard == nullptr) {
        return;
    }
    if (FAILED(m_pKeyboard->GetDeviceState(sizeof(m_keyState.m_abyRaw), m_keyState.m_abyRaw))) {
        // Focus went elsewhere (or never was here): a key let go there was
        // never seen going up, so every key counts as released; the next
        // frame tries to take the keyboard again.
        std::memset(&m_keyState, 0, sizeof(m_keyState));
        m_pKeyboard->Acquire();
        return;
    }
    const auto& raw = m_keyState.m_abyRaw;
    m_keyState.m_bUp = IsDown(raw, DIK_UP);
    m_keyState.m_bDown = IsDown(raw, DIK_DOWN);
    m_keyState.m_bLeft = IsDown(raw, DIK_LEFT);
    m_keyState.m_bRight = IsDown(raw, DIK_RIGHT);
    m_keyState.m_bPageDown = IsDown(raw, DIK_NEXT);
    m_keyState.m_bPageUp = IsDown(raw, DIK_PRIOR);
    m_keyState.m_bKey1 = IsDown(raw, DIK_1);
    m_keyState.m_bKey2 = IsDown(raw, DIK_2);
    m_keyState.m_bKey3 = IsDown(raw, DIK_3);
    m_keyState.m_bKey4 = IsDown(raw, DIK_4);
}

HRESULT ClockApp::FrameUpdate() {
    if (m_nQuit == 1) {
        return S_OK;
    }
    // A frame far longer than the pace asked for is a stall: it moves the
    // world by a short step only, so nothing jumps after it.
    const float fFrameStep = m_fElapsedTime <= m_fStallStep ? m_fElapsedTime : m_fStallStep;
    g_frameStep = fFrameStep;
    g_appTime = m_dTime;

    if (UpdateOverlay()) {
        return S_OK;
    }
    FollowAlarmRinging(m_pTimerPanel->Ringing(), g_alarmSounding, m_pAlarm);

    // A slower pace the user chose moves the scene in steps of a display
    // frame, so it shows the same world at the same time: bubbles, sparks
    // and ribbons are emitted at most once a step.
    long nSteps = 1;
    if (fFrameStep > kMaxFrameStep) {
        nSteps = std::lround(fFrameStep / kSceneStep);
    }
    g_frameStep = fFrameStep / static_cast<float>(nSteps);
    for (long i = nSteps - 1; i >= 0; --i) {
        g_appTime = m_dTime - static_cast<double>(i) * g_frameStep;
        m_pBirdFlight->StorePrevious();
        m_pBirdFlight->Update(m_pPath, m_pSparkTrail);
        m_pBird->FrameMove(1, 1, 0);
        m_pSparkTrail->Update();
        m_pBubbles->Emit(0.0f, 0.0f, 0.0f);
        m_pBubbles->Update();
        if (i == 0) {
            m_pVelmoran->Update();
        }
        m_pRibbonLeaders->Update(m_pPath, m_pRibbon);
        m_pRibbon->Update();
    }
    g_frameStep = fFrameStep;

    if (m_pFlags->IsSet(FLAG_MANUAL_CAMERA)) {
        KeyboardStep(m_pd3dDevice, m_pCamera, m_keyState);
    } else {
        FollowStep(m_pd3dDevice, m_pCamera, m_pPath, m_pBirdFlight);
    }

    if (m_keyState.m_bKey1 && m_pFlags->ToggleRepeat(FLAG_WHITE_BACKGROUND)) {
        g_clearColor = m_pFlags->IsSet(FLAG_WHITE_BACKGROUND) ? kWhite : kBlack;
        m_pDepthFog->SetColor(g_clearColor);
        m_pDepthFog->Apply(m_pd3dDevice, m_pCamera, g_viewport.Width, g_viewport.Height, 0);
    }
    if (m_keyState.m_bKey2 && m_pFlags->ToggleRepeat(FLAG_SHOW_BUTTONS)) {
        CloseTimerPanel();
    }
    if (m_keyState.m_bKey3 && m_pFlags->ToggleRepeat(FLAG_FRAMED_VIEW)) {
        m_pViewports->SetFramed(m_d3dsdBackBuffer.Width, m_d3dsdBackBuffer.Height);
        m_pViewports->SetFull(m_d3dsdBackBuffer.Width, m_d3dsdBackBuffer.Height);
        if (m_pFlags->IsSet(FLAG_FRAMED_VIEW)) {
            g_viewport = m_pViewports->Framed();
            m_pFlags->SetBits(FLAG_SHOW_BUTTONS);
        } else {
            g_viewport = m_pViewports->Full();
            m_pFlags->ClearBits(FLAG_SHOW_BUTTONS);
        }
        CloseTimerPanel();
        m_pButtonBar->SetViewport(g_viewport);
        m_pTimerPanel->SetViewport(g_viewport);
        m_pMainFrame->SetViewport(g_viewport);
    }
    if (m_keyState.m_bKey4 && m_pFlags->ToggleRepeat(FLAG_SHOW_NUMERALS)) {
        m_pVelmoran->SetShowNumerals(m_pFlags->IsSet(FLAG_SHOW_NUMERALS));
    }

    m_pDepthFog->Keyboard(m_keyState);
    m_pDepthFog->Apply(m_pd3dDevice, m_pCamera, g_viewport.Width, g_viewport.Height, 0);
    return S_OK;
}

BOOL ClockApp::UpdateOverlay() {
    // The cursor counts only while the left button holds the capture, so
    // hovering never presses a button.
    float x = 0.0f;
    float y = 0.0f;
    const BOOL captured = GetCapture() != nullptr ? TRUE : FALSE;
    if (captured) {
        POINT pt = {};
        GetCursorPos(&pt);
        ScreenToClient(m_hWnd, &pt);
        x = float(pt.x);
        y = float(pt.y);
    }
    if (captured && !m_bCaptureSeen) {
        // Once a press, so a click can be held until a frame has seen it
        // (the end-to-end runs wait for this line).
        OutputDebugStringA("ClockApp: a frame saw the left button held\n");
    }
    m_bCaptureSeen = captured;
    m_nLastButton = m_pButtonBar->HitTest(x, y, 0.0f);
    switch (m_nLastButton) {
        case ButtonBar::kExit:
            StopAlarmIfPlaying(m_pAlarm);
            PostMessageA(m_hWnd, WM_COMMAND, CMD_EXIT, 0);
            m_nQuit = 1;
            break;
        case ButtonBar::kFullScreen:
            PostMessageA(m_hWnd, WM_COMMAND, CMD_TOGGLE_FULLSCREEN, 0);
            break;
        case ButtonBar::kCameraMode:
            m_pFlags->ToggleBits(FLAG_MANUAL_CAMERA);
            ResetCamera(m_pCamera);
            // The end-to-end runs wait for this line: on slow frames a view
            // still for a moment is not yet the switched one.
            OutputDebugStringA("ClockApp: the camera button switched the view\n");
            break;
        case ButtonBar::kTimerPanel:
            m_nTimerPanelOpen = 1 - m_nTimerPanelOpen;
            m_pTimerPanel->Reset();
            break;
        default:
            if (m_nTimerPanelOpen == 1) {
                m_pTimerPanel->Tick();
                m_pTimerPanel->HitTest(x, y, 0.0f);
            }
            return FALSE;
    }
    m_nLastButton = 0;
    return TRUE;
}

void ClockApp::CloseTimerPanel() {
    m_nTimerPanelOpen = 0;
    m_pTimerPanel->Reset();
}

HRESULT ClockApp::OnFrameUpdate() {
    ReadKeys();
    FrameUpdate();
    return S_OK;
}

HRESULT ClockApp::OnFrameRender() {
    const D3DVIEWPORT8& full = m_pViewports->Full();
    // In the full view the scene's clear covers the whole target and would
    // wipe the margin and its statistics line: they are only drawn framed.
    const bool bMargin = g_viewport.X != full.X || g_viewport.Y != full.Y || g_viewport.Width != full.Width ||
                         g_viewport.Height != full.Height;
    m_pd3dDevice->SetViewport(&full);
    if (bMargin) {
        m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kWhite, 1.0f, 0);
    }
    if (bMargin && SUCCEEDED(m_pd3dDevice->BeginScene())) {
        char stats[90];
        std::snprintf(stats, sizeof(stats), "%s", m_szFrameStats);
        if (m_pFont != nullptr && (m_dwRenderSteps & STEP_STATS_TEXT) != 0) {
            m_pFont->DrawString(5, 5, kStatsColor, stats, 0);
        }
        m_pd3dDevice->EndScene();
    }

    m_pd3dDevice->SetViewport(&g_viewport);
    m_pd3dDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, g_clearColor, 1.0f, 0);
    if (FAILED(m_pd3dDevice->BeginScene())) {
        return S_OK;
    }
    RenderScene();
    m_pd3dDevice->EndScene();
    return S_OK;
}

HRESULT ClockApp::RenderScene() {
    if (m_nQuit == 1) {
        return S_OK;
    }
    m_pCamera->BuildFrustum();
    const FrustumInfo* pFrustum = &m_pCamera->Frustum();

    // The bird is culled by its unscaled volume but drawn 3.5 times its own size.
    if ((m_dwRenderSteps & STEP_BIRD) != 0 && m_pBirdFlight->IsVisible(m_pd3dDevice, pFrustum) != 0) {
        D3DXMATRIX matScale;
        D3DXMATRIX matBird;
        D3DXMatrixScaling(&matScale, 3.5f, 3.5f, 3.5f);
        D3DXMatrixMultiply(&matBird, &matScale, &m_pBirdFlight->World());
        m_pBird->Render(matBird);
    }

    if ((m_dwRenderSteps & STEP_SCENE_MESHES) != 0) {
        m_pBackGround->Render(m_pd3dDevice, m_pCamera->CameraMatrix(), pFrustum, TRUE, m_pDrawQueue);
        m_pVelmoran->Render(m_pd3dDevice, m_pCamera->CameraMatrix(), pFrustum, TRUE, m_pDrawQueue);
    }

    // The meshes submitted above are drawn here, far to near along the view.
    m_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    const D3DXMATRIX& matCamera = m_pCamera->CameraMatrix();
    m_pDrawQueue->Sort(matCamera._31, matCamera._32, matCamera._33);
    m_pDrawQueue->Draw(m_pd3dDevice);
    m_pDrawQueue->Clear();
    m_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    D3DXMATRIX matBillboard;
    if ((m_dwRenderSteps & STEP_SPARKS) != 0) {
        m_pSparkTrail->Render(m_pd3dDevice, *m_pCamera->RotationOnly(&matBillboard));
    }
    if ((m_dwRenderSteps & STEP_RIBBONS) != 0) {
        m_pRibbon->Render(m_pd3dDevice);
    }
    if ((m_dwRenderSteps & STEP_BUBBLES) != 0) {
        m_pBubbles->Render(m_pd3dDevice, *m_pCamera->RotationOnly(&matBillboard));
    }

    if ((m_dwRenderSteps & STEP_OVERLAY) == 0) {
        return S_OK;
    }
    if (m_pFlags->IsSet(FLAG_FRAMED_VIEW)) {
        m_pMainFrame->Draw(m_pd3dDevice);
    }
    if (m_pFlags->IsSet(FLAG_SHOW_BUTTONS)) {
        m_pButtonBar->Draw(m_pd3dDevice);
    }
    if (m_nTimerPanelOpen == 1) {
        m_pTimerPanel->Draw(m_pd3dDevice);
    }
    return S_OK;
}

HRESULT ClockApp::OnDeviceLost() {
    if (m_pFont != nullptr) {
        m_pFont->OnDeviceLost();
    }
    m_pDammySkin->ReleaseDeviceMeshes();
    m_pBird->ReleaseDeviceMeshes();
    return S_OK;
}

HRESULT ClockApp::OnDeviceDestroyed() {
    if (m_pFont != nullptr) {
        m_pFont->OnDeviceDestroyed();
    }
    m_pPath->Release();
    m_pDammySkin->DeleteTree();
    m_pClockDammy->Release();
    m_pBird->DeleteTree();
    m_pSparkTrail->Invalidate();
    m_pBubbles->Invalidate();
    m_pBackGround->Release();
    m_pVelmoran->Release();
    m_pRibbon->Invalidate();
    m_pButtonBar->ReleaseDeviceObjects();
    m_pTimerPanel->ReleaseDeviceObjects();
    m_pMainFrame->ReleaseDeviceObjects();
    // The alarm does not hang on the drawing device: a new device leaves it
    // sounding on, or silent when its plays are over; the program's end
    // stops it.
    return S_OK;
}

HRESULT ClockApp::OnAppExit() {
    DeleteOwned(m_pFont);

    if (m_pKeyboard != nullptr) {
        m_pKeyboard->Unacquire();
        m_pKeyboard->Release();
        m_pKeyboard = nullptr;
    }
    if (m_pDI != nullptr) {
        m_pDI->Release();
        m_pDI = nullptr;
    }

    if (m_pFlags != nullptr && !IsScreensaver()) {
        m_pFlags->Save();
    }
    StopAlarmIfPlaying(m_pAlarm);
    g_alarmSounding = 0;
    DeleteMembers();
    return S_OK;
}
