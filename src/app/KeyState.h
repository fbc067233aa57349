// The keyboard snapshot of one frame: the 256 scan-code bytes and the keys
// the update asks about, each 1 while its key is down.
#pragma once

#include "platform/kernel/WinTypes.h"

struct KeyState {
    BYTE m_abyRaw[256];
    BOOL m_bUp;
    BOOL m_bDown;
    BOOL m_bLeft;
    BOOL m_bRight;
    BOOL m_bPageDown;
    BOOL m_bPageUp;
    BOOL m_bKey1;
    BOOL m_bKey2;
    BOOL m_bKey3;
    BOOL m_bKey4;
};
