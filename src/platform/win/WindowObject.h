// The object behind an HWND. Private to the window layer.
#pragma once

#include "platform/win/WinUser.h"

struct HWND__ {
    WNDPROC procedure = nullptr;
};
