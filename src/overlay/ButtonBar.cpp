#include "overlay/ButtonBar.h"

HRESULT ButtonBar::Load(IDirect3DDevice8* pDevice, const char* pszSheetName) {
    if (FAILED(m_sheet.Load(pDevice, pszSheetName))) {
        return E_FAIL;
    }
    m_slots[0].Set(85.0f, 16.0f, 5.0f, 0);  // exit, top right
    m_slots[1].Set(85.0f, 84.0f, 5.0f, 1);  // full screen, bottom right
    m_slots[2].Set(15.0f, 84.0f, 5.0f, 2);  // camera mode, bottom left
    m_slots[3].Set(15.0f, 16.0f, 5.0f, 3);  // timer panel, top left
    return S_OK;
}

int ButtonBar::HitTest(float pointX, float pointY, float pointZ) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (m_slots[i].Step(m_sheet, pointX, pointY, pointZ) != 0) {
            return i + 1;
        }
    }
    return kNone;
}

HRESULT ButtonBar::Draw(IDirect3DDevice8* pDevice) {
    for (ButtonSlot& slot : m_slots) {
        slot.Draw(pDevice, m_sheet);
    }
    return S_OK;
}
