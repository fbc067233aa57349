// The displays as the window system numbers them (SDL's display index). The
// device's adapters are the same list: adapter k is display k.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/win/WinUser.h"

namespace win {
// How many displays there are; 0 when video does not start.
int DisplayCount();

// One line per display on `out`: its number, name, size and place on the
// desktop. False (with `problem` filled) when video does not start.
bool ListDisplays(std::FILE* out, char* problem, std::size_t size);

// The monitor handle of display `display` (adapter k's is display k's); null
// for no display.
HMONITOR MonitorOfDisplay(int display);

// Whether full screen may switch a display's mode. Not on X11 with several
// displays: the switch resizes the whole desktop to the mode, and the other
// displays (or this one, on the way back) are turned off. Video must be on.
bool ModeSwitchesAreSafe();

// The display the program's windows open on, centred; -1 (the default) for
// where the window system puts them. Set before the first window.
void SetStartDisplay(int display);
int StartDisplay();

// Centres one of the program's own windows on `display` unless it is there
// already (a window given to draw in stays where it is).
void MoveWindowToDisplay(HWND window, int display);
}  // namespace win
