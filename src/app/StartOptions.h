// What the command line asks of one run; nothing of it is saved.
#pragma once

#include "platform/kernel/WinTypes.h"

struct StartOptions {
    BOOL m_bFullscreen = FALSE;     // switch to full screen once the window is up
    BOOL m_bResetSettings = FALSE;  // start from the default settings word, not the user's file
};
