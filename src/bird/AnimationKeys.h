// Key records of an animation channel: a time in ticks (4800 a second) and
// the value at that time.
#pragma once

#include "gfxutil/D3DXMath.h"

struct PositionKey {
    DWORD m_dwTime;
    D3DXVECTOR3 m_vecPos;
};

struct ScaleKey {
    DWORD m_dwTime;
    D3DXVECTOR3 m_vecScale;
};

// x, y, z, w; the file stores w first.
struct RotationKey {
    DWORD m_dwTime;
    D3DXQUATERNION m_quatRotate;
};

struct MatrixKey {
    DWORD m_dwTime;
    D3DXMATRIX m_mat;
};
