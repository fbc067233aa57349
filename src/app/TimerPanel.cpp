#include "app/TimerPanel.h"

#include <cmath>

#include "framework/FrameStep.h"
#include "platform/kernel/Kernel.h"

float g_blinkPhase = 0.0f;

namespace {
constexpr float kPi = 3.1415927f;
constexpr D3DCOLOR kFrameColor = 0x96FFFFFF;
constexpr D3DCOLOR kReadOutColor = 0xC8FFFFFF;
}  // namespace

TimerPanel::TimerPanel()
    : m_nSeconds(kStartSeconds), m_nRunning(0), m_tLastTime(crt::time(nullptr)), m_nRinging(0), m_slots{} {}

HRESULT TimerPanel::Load(IDirect3DDevice8* pDevice, const char* pszButtonSheet, const char* pszDigits,
                         const char* pszFrame) {
    if (FAILED(m_readOut.Load(pDevice, pszDigits)) || FAILED(m_buttonSheet.Load(pDevice, pszButtonSheet)) ||
        FAILED(m_frame.Load(pDevice, pszFrame))) {
        return E_FAIL;
    }
    m_slots[0].Set(40.0f, 30.0f, 6.0f, 0);  // start / pause
    m_slots[1].Set(60.0f, 30.0f, 6.0f, 1);  // reset
    m_slots[2].Set(58.0f, 65.0f, 2.0f, 2);  // +1 s
    m_slots[3].Set(63.0f, 65.0f, 2.0f, 3);  // -1 s
    m_slots[4].Set(37.0f, 65.0f, 2.0f, 2);  // +1 min
    m_slots[5].Set(42.0f, 65.0f, 2.0f, 3);  // -1 min
    return S_OK;
}

void TimerPanel::SetViewport(const D3DVIEWPORT8& viewport) {
    m_readOut.SetViewport(viewport);
    m_buttonSheet.SetViewport(viewport);
    m_frame.SetViewport(viewport);
}

void TimerPanel::Reset() {
    m_nSeconds = kStartSeconds;
    m_nRunning = 0;
    m_tLastTime = crt::time(nullptr);
    m_nRinging = 0;
    for (ButtonSlot& slot : m_slots) {
        slot.ResetPress();
    }
}

void TimerPanel::Tick() {
    const std::time_t now = crt::time(nullptr);
    // Only a step forward counts: a clock set back must not add time to a
    // running count, it only becomes the new last time.
    if (now > m_tLastTime && m_nRunning == 1) {
        if (m_nSeconds > 0) {
            // The count never holds more than the maximum, so a longer jump
            // (clock set forward by days) is cut to it rather than overflowing.
            const std::time_t passed = now - m_tLastTime;
            m_nSeconds -= passed > kMaxSeconds ? kMaxSeconds + 1 : int(passed);
        } else {
            m_nSeconds = 0;
        }
    }
    m_tLastTime = now;
    m_nRinging = (m_nSeconds == 0 && m_nRunning == 1) ? 1 : 0;
}

void TimerPanel::Act(int slot) {
    switch (slot) {
        case 0:
            m_nRunning = 1 - m_nRunning;
            break;
        case 1:
            m_nRunning = 0;
            m_nSeconds = kStartSeconds;
            break;
        case 2:
            m_nSeconds = m_nSeconds + 1 > kMaxSeconds ? kMaxSeconds : m_nSeconds + 1;
            break;
        case 3:
            m_nSeconds = m_nSeconds - 1 < 0 ? 0 : m_nSeconds - 1;
            break;
        case 4:
            m_nSeconds = m_nSeconds + 60 > kMaxSeconds ? kMaxSeconds : m_nSeconds + 60;
            break;
        case 5:
            m_nSeconds = m_nSeconds - 60 < 0 ? 0 : m_nSeconds - 60;
            break;
        default:
            break;
    }
}

void TimerPanel::HitTest(float pointX, float pointY, float pointZ) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (m_slots[i].Step(m_buttonSheet, pointX, pointY, pointZ) != 0) {
            Act(i);
        }
    }
}

HRESULT TimerPanel::Draw(IDirect3DDevice8* pDevice) {
    m_frame.Draw(pDevice, 50.0f, 50.0f, 16.0f, 1, 1, 1, kFrameColor);

    const int minutes = m_nSeconds / 60;
    const int seconds = m_nSeconds - minutes * 60;
    D3DCOLOR color = kReadOutColor;
    if (m_nRinging == 1) {
        g_blinkPhase += 2.0f * g_frameStep;
        if (g_blinkPhase > kPi) {
            g_blinkPhase = 0.0f;
        }
        const DWORD alpha = DWORD(int(std::sin(g_blinkPhase) * 255.0f)) & 0xFF;
        color = (alpha << 24) | 0xFFFFFF;
    }
    m_readOut.DrawNumber(pDevice, 45.0f, 50.0f, 3.0f, minutes, color);
    m_readOut.DrawNumber(pDevice, 60.0f, 50.0f, 3.0f, seconds, color);

    for (ButtonSlot& slot : m_slots) {
        slot.Draw(pDevice, m_buttonSheet);
    }
    return S_OK;
}

HRESULT TimerPanel::ReleaseDeviceObjects() {
    m_readOut.ReleaseDeviceObjects();
    m_buttonSheet.ReleaseDeviceObjects();
    m_frame.ReleaseDeviceObjects();
    return S_OK;
}
