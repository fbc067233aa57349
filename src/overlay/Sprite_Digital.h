// A number from 0 to 99 as two digit images from one 4 x 3 sheet (0-3, 4-7,
// 8-9 by rows), the ones digit centred on the position and the tens digit
// 12.25 units to its left, so neighbours overlap by 1.75 units.
#pragma once

#include "overlay/Sprite.h"

class Sprite_Digital : public Sprite {
public:
    HRESULT Load(IDirect3DDevice8* pDevice, const char* pszTextureName);
    // Draws `value` with a leading zero; 100 and above draw nothing, and a
    // negative value shows as 00. Nothing without a load.
    HRESULT DrawNumber(IDirect3DDevice8* pDevice, float x, float y, float size, int value, D3DCOLOR color);
};
