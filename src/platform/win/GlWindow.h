// An SDL window with an OpenGL 3.3 core context, handed out as an HWND. The
// hardware device draws into this context; the reference device shows its
// frames through it.
#pragma once

#include "platform/win/WinUser.h"

struct SDL_Window;

namespace win {
// Creates a shown (or, with hidden, unshown) resizable window with the given
// size in logical units (DisplayScale.h: on X11 the SDL window is that times
// the chosen scale, on Wayland the drawable is) and a GL 3.3 core context
// with a 24-bit depth buffer. Returns null when SDL video or the context
// cannot be had; nothing is left behind.
HWND CreateGlWindow(const char* title, int clientWidth, int clientHeight, WNDPROC procedure, bool hidden);
// Destroys what CreateGlWindow made, the context first.
void DestroyGlWindow(HWND window);

SDL_Window* GetSdlWindow(HWND window);
// The window's GL context (an SDL_GLContext), null when it has none.
void* GetGlContext(HWND window);

// Every GL context of the process (windows, off-screen devices) is made
// current through these, on the one thread. The GL dispatch refuses to make
// an EGL context current while a GLX one is (and the other way round), so a
// switch first releases the previous owner; a switch to the owner already
// current costs nothing.
using GlReleaseFn = void (*)(const void* owner);
bool IsGlCurrent(const void* owner);
void NoteGlCurrent(const void* owner, GlReleaseFn release);
void ReleaseCurrentGl();
// Makes the window's context current (on the window). False without one.
bool MakeGlWindowCurrent(HWND window);
// Keeps the GL libraries loaded so far (dispatch, Mesa's driver, LLVM) for
// the rest of the process. Called once a context exists: closing the last
// window or display would otherwise unload the driver, which is not built to
// be unloaded (its globals vanish while state it allocated lives on) and
// costs a reload with the next window.
void PinGlDriver();
// Called before video starts and before the first GL context: Mesa's
// software rasterizer draws on the calling thread unless the user chose a
// thread count (LP_NUM_THREADS), and windows carry the desktop entry's name
// as their class.
void PrepareGlDriver();
}  // namespace win
