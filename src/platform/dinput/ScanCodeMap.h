// Where each key of a PC keyboard lands in the DirectInput snapshot.
#pragma once

#include "platform/kernel/WinTypes.h"

class ScanCodeMap {
public:
    // The DIK_* byte index for an SDL scan code, or 0 for a key the snapshot has no place for.
    static BYTE ToDik(int sdlScancode);
};
