// A window of another program to draw in, as a screen-saver daemon hands
// one to its display modules: an X window adopted instead of a window of
// the program's own. It has no GL context: the reference device draws off
// screen and Present puts its frames into the window.
#pragma once

#include <cstddef>

#include "platform/win/WinUser.h"

namespace win {
// The id that names the screen's root window.
constexpr unsigned long kRootWindow = 0;

// Looks the window up on the display: true with its id in `found` (the root
// window's for kRootWindow); false with one line saying why in `problem`.
bool FindHostWindow(unsigned long id, unsigned long* found, char* problem, std::size_t problemSize);

// Before anything touches window `id` (the program calls it first, so that
// not even the device's set-up opens a window of its own): errors about the
// window are expected from here on, message boxes go to stderr, and SIGTERM
// and SIGINT end the program with status 0 at once; only the root window,
// once drawn on, is closed first and cleared to its background.
void PrepareHostWindow(unsigned long id);

// Adopts window `id` for a registered class. The window stays its owner's:
// its size, place, title, visibility and input are left alone (SetWindowPos,
// ShowWindow and SetWindowTextA do nothing on it, and it takes no key or
// pointer events). What happens to it arrives as messages: a new size as a
// size/move loop, unmapped or fully covered as WM_SIZE SIZE_MAXHIDE, back in
// view as WM_SIZE SIZE_RESTORED, destroyed as WM_CLOSE. Null when it cannot
// be had (no X display, no such window).
HWND CreateHostedWindow(LPCSTR className, unsigned long id);

// Whether the process draws in a hosted window; message boxes then go to
// stderr, since nobody could click them on a screen saver.
bool HasHostedWindow();
}  // namespace win
