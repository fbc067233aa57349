// The four corner buttons of the scene viewport, drawn from the 2 x 2 sheet
// "Bottun.dds". The hit test runs every frame whether or not the buttons are
// shown, and reports at most one fired button per call.
#pragma once

#include "overlay/ButtonSlot.h"
#include "overlay/Sprite.h"

class ButtonBar {
public:
    // Hit-test results: 0 when nothing fired, else the slot number + 1.
    static constexpr int kNone = 0;
    static constexpr int kExit = 1;
    static constexpr int kFullScreen = 2;
    static constexpr int kCameraMode = 3;
    static constexpr int kTimerPanel = 4;
    static constexpr int kSlotCount = 4;

    ButtonBar() = default;
    ButtonBar(const ButtonBar&) = delete;
    ButtonBar& operator=(const ButtonBar&) = delete;

    // Loads the sheet, then places the four buttons. E_FAIL when the sheet fails.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* pszSheetName);
    void SetViewport(const D3DVIEWPORT8& viewport) { m_sheet.SetViewport(viewport); }
    // One frame of the buttons with the cursor; the lower slot wins when two
    // are due, the other fires in a later call.
    int HitTest(float pointX, float pointY, float pointZ);
    HRESULT Draw(IDirect3DDevice8* pDevice);
    HRESULT ReleaseDeviceObjects() { return m_sheet.ReleaseDeviceObjects(); }

    const ButtonSlot& Slot(int index) const { return m_slots[index]; }
    const Sprite& Sheet() const { return m_sheet; }

private:
    Sprite m_sheet;
    ButtonSlot m_slots[kSlotCount];
};
