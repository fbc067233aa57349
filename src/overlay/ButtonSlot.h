// One overlay button: where it sits, which cell of a 2 x 2 sheet it shows,
// and its press. Held on, it latches a press that fires 0.5 s later (a click
// released early still fires); while it fades it shrinks and grows back.
#pragma once

#include "overlay/Sprite.h"

struct ButtonSlot {
    int m_nActive = 0;
    float m_fX = 0.0f;
    float m_fY = 0.0f;
    float m_fSize = 0.0f;
    int m_nCell = 0;
    float m_fFade = 0.0f;  // -255 .. 255; its magnitude scales the button
    int m_nPressed = 0;
    float m_fPressTimer = 0.0f;  // seconds until the latched press fires

    void Set(float x, float y, float size, int cell);
    // Stops a pending press and lets the button grow in again when drawn.
    void ResetPress();
    // One frame of the press with the cursor at (pointX, pointY): latches a
    // new press when the point is on the button, runs a latched one down by
    // the frame step. 1 when the press fires in this call.
    int Step(const Sprite& sheet, float pointX, float pointY, float pointZ);
    // Grows the fade by 800 per second and draws the button at |fade| / 255
    // of its size, never more opaque than 150.
    void Draw(IDirect3DDevice8* pDevice, Sprite& sheet);
};
