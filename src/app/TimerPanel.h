// The count-down timer panel: a translucent frame in the middle of the scene
// viewport, the remaining minutes and seconds, and six buttons (start/pause,
// reset, +1 s, -1 s, +1 min, -1 min). It counts on the wall clock, not on
// frame time, and rings while running at zero; the read-out then blinks.
#pragma once

#include <ctime>

#include "overlay/ButtonSlot.h"
#include "overlay/Sprite.h"
#include "overlay/Sprite_Digital.h"

// Phase of the ringing read-out's blink, in radians; advanced only while it
// rings and is drawn.
extern float g_blinkPhase;

class TimerPanel {
public:
    static constexpr int kStartSeconds = 180;
    static constexpr int kMaxSeconds = 1800;
    static constexpr int kSlotCount = 6;

    TimerPanel();
    TimerPanel(const TimerPanel&) = delete;
    TimerPanel& operator=(const TimerPanel&) = delete;

    // Loads the read-out, the button sheet and the frame in that order and
    // places the buttons; E_FAIL at the first that fails.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* pszButtonSheet, const char* pszDigits, const char* pszFrame);
    void SetViewport(const D3DVIEWPORT8& viewport);
    // Back to 3:00, stopped, not ringing, counting from now; the buttons grow in again.
    void Reset();
    // Takes the seconds that passed on the wall clock off a running count.
    void Tick();
    // One frame of the six buttons with the cursor; every button that fires acts.
    void HitTest(float pointX, float pointY, float pointZ);
    HRESULT Draw(IDirect3DDevice8* pDevice);
    HRESULT ReleaseDeviceObjects();

    int Ringing() const { return m_nRinging; }
    int Seconds() const { return m_nSeconds; }
    int Running() const { return m_nRunning; }
    const ButtonSlot& Slot(int index) const { return m_slots[index]; }
    const Sprite_Digital& ReadOut() const { return m_readOut; }
    const Sprite& ButtonSheet() const { return m_buttonSheet; }
    const Sprite& Frame() const { return m_frame; }

private:
    void Act(int slot);

    int m_nSeconds;
    int m_nRunning;
    std::time_t m_tLastTime;
    int m_nRinging;
    Sprite_Digital m_readOut;
    Sprite m_buttonSheet;
    ButtonSlot m_slots[kSlotCount];
    Sprite m_frame;
};
