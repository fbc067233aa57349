// Whether anyone can see a window. X11 without a compositor reports a window
// covered whole by others (a screen saver's too), and the server's own screen
// saver, which SDL does not pass on; under a compositor or on Wayland a window
// counts as seen, and the window system paces what it draws.
#pragma once

#include "platform/win/WinUser.h"

union SDL_Event;

namespace win {
// Asks the window system to report when the window is covered, on top of the
// events SDL asked for. Nothing on other window systems.
void WatchWindowVisibility(HWND window);
// Follows such a report (an SDL_SYSWMEVENT) in the state of its window.
void TranslateVisibilityEvent(const SDL_Event& event);
// True while the window is covered whole or the screen is blanked: whatever
// is drawn in it is lost.
bool IsWindowObscured(HWND window);
}  // namespace win
