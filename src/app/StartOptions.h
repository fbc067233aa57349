// What the command line asks of one run; nothing of it is saved.
#pragma once

#include "platform/kernel/WinTypes.h"

struct StartOptions {
    BOOL m_bFullscreen = FALSE;     // switch to full screen once the window is up
    BOOL m_bResetSettings = FALSE;  // start from the default settings word, not the user's file
    UINT m_uMaxFps = 0;             // frames a second at most; 0: as many as the display shows
    // Draw in a window given on the command line, as a screen saver does,
    // instead of opening one: the window's X id, 0 for the screen's root.
    BOOL m_bScreensaver = FALSE;
    unsigned long m_iWindowId = 0;
};
