// The program's connection to the window system: whether there is one at the
// start, and ending the program when it goes away. Without either the clock
// would draw off screen where nobody sees it, at full speed, until killed.
#pragma once

#include <cstddef>

namespace win {
// Called once at the start, before anything opens a window or a box. Unless
// SDL_VIDEODRIVER names a driver (the off-screen one for tests), only the
// window systems the environment names (DISPLAY, WAYLAND_DISPLAY) are tried,
// now and whenever video starts again later. False with one line in
// `problem` saying what was tried when none answers. From here on a lost
// connection to the X server ends the process (EndForLostDisplay).
bool ConnectDisplay(char* problem, std::size_t problemSize);

// Whether the program will draw through Wayland: WAYLAND_DISPLAY is set and
// SDL_VIDEODRIVER does not ask for something else first.
bool IsWaylandSession();

// What the program does when the connection is lost, just before the process
// ends: quick, and without the window system. Null for nothing.
using DisplayLostFn = void (*)(void* context);
void SetDisplayLostHandler(DisplayLostFn handler, void* context);

// Ends the process for a lost connection: one line on stderr, the handler,
// status 1.
[[noreturn]] void EndForLostDisplay();

// Whether the process is ending for a lost connection (boxes are then only
// their line on stderr).
bool IsDisplayLost();

// After the window system refused something (a box that could not be shown,
// video that would not start): ends the process as above when the X display
// found at the start is gone, returns when it is still there.
void CheckDisplayStillThere();
}  // namespace win
