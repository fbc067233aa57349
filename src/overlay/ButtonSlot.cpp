#include "overlay/ButtonSlot.h"

#include <cmath>

#include "framework/FrameStep.h"

namespace {
constexpr float kPressDelay = 0.5f;
constexpr float kFadeFull = 255.0f;
constexpr float kFadeRate = 800.0f;
constexpr DWORD kMaxAlpha = 150;
}  // namespace

void ButtonSlot::Set(float x, float y, float size, int cell) {
    m_nActive = 1;
    m_fX = x;
    m_fY = y;
    m_fSize = size;
    m_nCell = cell;
}

void ButtonSlot::ResetPress() {
    m_fFade = 0.0f;
    m_nPressed = 0;
    m_fPressTimer = 0.0f;
}

int ButtonSlot::Step(const Sprite& sheet, float pointX, float pointY, float pointZ) {
    if (m_nActive == 0) {
        return 0;
    }
    if (m_nPressed == 0 && sheet.HitTest(m_fX, m_fY, m_fSize, pointX, pointY, pointZ) != 0) {
        m_nPressed = 1;
        m_fPressTimer = kPressDelay;
        m_fFade = -kFadeFull;
    }
    if (m_nPressed != 0) {
        m_fPressTimer -= 1.0f * g_frameStep;
        if (m_fPressTimer <= 0.0f) {
            m_nPressed = 0;
            return 1;
        }
    }
    return 0;
}

void ButtonSlot::Draw(IDirect3DDevice8* pDevice, Sprite& sheet) {
    if (m_nActive == 0) {
        return;
    }
    if (m_fFade < kFadeFull) {
        m_fFade += kFadeRate * g_frameStep;
        if (m_fFade > kFadeFull) {
            m_fFade = kFadeFull;
        }
    }
    const float magnitude = std::fabs(m_fFade);
    DWORD alpha = DWORD(magnitude);
    if (alpha > kMaxAlpha) {
        alpha = kMaxAlpha;
    }
    const D3DCOLOR color = (alpha << 24) | 0xFFFFFF;
    sheet.Draw(pDevice, m_fX, m_fY, magnitude / kFadeFull * m_fSize, m_nCell, 2, 2, color);
}
