// What the command line asks of one run; nothing of it is saved.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

struct StartOptions {
    BOOL m_bFullscreen = FALSE;     // switch to full screen once the window is up
    BOOL m_bResetSettings = FALSE;  // start from the default settings word, not the user's file
    UINT m_uMaxFps = 0;             // frames a second at most; 0: as many as the display shows
    // Draw in a window given on the command line, as a screen saver does,
    // instead of opening one: the window's X id, 0 for the screen's root.
    BOOL m_bScreensaver = FALSE;
    unsigned long m_iWindowId = 0;
    // Device pixels per point on X11 (--scale, VELMORAN_SCALE); 0: as the
    // desktop says.
    int m_iScale = 0;
    // The display (SDL's number, the device's adapter) the window opens and
    // goes full screen on; -1: where the window system puts it.
    int m_iDisplay = -1;
    // Print the displays and exit.
    BOOL m_bListDisplays = FALSE;
    // Show the debug output (the loaders' progress and trace lines) on stderr.
    BOOL m_bVerbose = FALSE;
    // A folder to use as the run folder, media and settings together, even
    // where the program is installed; empty: decided from where it runs.
    std::string m_szRunFolder;
};
