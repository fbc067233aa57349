// What the rest of the platform layer needs from the window layer: the menu
// strip geometry and the overlay drawn at Present. Not part of the program's
// API.
#pragma once

#include "platform/win/WinUser.h"

union SDL_Event;

namespace win {
// The menu bar lies in a strip of this height above the client area of a
// windowed window with a menu. The window's GL drawable is the client area
// plus the strip: with GL's bottom-left origin the client area is the
// drawable's bottom client-height rows, so a back buffer of exactly the
// client size drawn at the origin lands in it.
constexpr int kMenuStripHeight = 21;

// The strip height of this window now: 0 in full screen or without a menu.
int MenuStripHeight(HWND window);

// Draws the window's menu bar and any open menu into framebuffer 0 of the
// window's GL context over the whole drawable. Called by the device's
// Present just before the swap. Leaves the GL state as it found it, except
// for the current context, which becomes the window's.
void DrawWindowOverlay(HWND window);

// The same for the window whose GL context is current, with the shape of
// the device's present hook: d3dgl::SetPresentHook(win::DrawCurrentWindowOverlay, nullptr).
void DrawCurrentWindowOverlay(void* unused);

// True while a menu of the window (menu bar or popup) is open.
bool IsMenuOpen(HWND window);

// The hosted window (HostWindow.h, PrepareHostWindow first): adopted, it
// is an SDL window without a GL
// context (frames reach it through its window surface), watched for its
// size, visibility and destruction, which the window system's own events
// report (TranslateHostEvent); it is let go before its object is destroyed.
HWND AdoptHostWindow(unsigned long id, WNDPROC procedure);
bool WatchHostWindow(HWND window);
void TranslateHostEvent(const SDL_Event& event);
// SIGTERM and SIGINT close the hosted window; the message pump asks.
void PollHostStop();
void ForgetHostedWindow(HWND window);
}  // namespace win

namespace win_hooks {
// Replaces the mouse the overlay sees (position in window coordinates, left
// button) so tests can click menu items. Null restores the real mouse.
using OverlayMouseFn = void (*)(float* x, float* y, bool* leftDown);
void SetOverlayMouse(OverlayMouseFn fn);

// Where the overlay last drew a menu entry, in window coordinates: a command
// item by its id, the menu bar's popup title k as kMenuBarTitle + k, or the
// menu bar itself as kMenuBar.
constexpr UINT kMenuBarTitle = 0x10000;
constexpr UINT kMenuBar = 0x20000;
bool GetMenuEntryRect(HWND window, UINT entry, RECT* rect);
}  // namespace win_hooks
