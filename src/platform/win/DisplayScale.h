// How many device pixels a logical unit is. Everything above the window layer
// works in logical units (the clock's 512 x 384, menus, pointer coordinates,
// dialog layout); the window's GL drawable and the device's render targets are
// device pixels, a whole factor more, so a 2x screen gets a sharp picture
// instead of a small or blown-up one.
#pragma once

#include "platform/win/WinUser.h"

namespace win {
// The scale the user asked for (--scale, VELMORAN_SCALE); 0 for none. Set
// before the first window.
void SetScaleOverride(int scale);

// The whole factor an X11 window of this process is created with, in this
// order: the override, GDK_SCALE, the X resources' Xft.dpi / 96 rounded, 1.
// X11 reports no scale of its own; a Wayland window's scale is its drawable's.
// `source` (may be null) names where the factor came from, for the debug output.
int ChooseX11Scale(const char** source);

// The factor of a window: device pixels per logical unit, 1 for a window not
// drawn at a scale (a hosted one, or none).
int WindowScale(HWND window);

// Every size and position between the program and SDL passes through these:
// SDL units per logical unit are the scale where SDL counts pixels (X11, the
// off-screen drivers) and 1 where it counts points (Wayland).
int SdlUnitsPerLogical(HWND window);
int ToSdlUnits(HWND window, int logical);
// Rounds toward minus infinity: a pointer left of the window stays left of it.
int FromSdlUnits(HWND window, int units);
// Device pixels per SDL unit (what Dear ImGui's SDL positions need): 1 where
// SDL counts pixels, the scale where it counts points.
int PixelsPerSdlUnit(HWND window);
// A window SDL counts in points takes its scale from its drawable: drawable
// width / window width, rounded, at least 1. True when the scale changed.
bool RefreshWindowScale(HWND window);
// The debug line naming the video driver, the scale and both sizes.
void TraceWindowScale(HWND window);

// Parses a whole factor from 1 to kMaxScale; 0 for anything else.
constexpr int kMaxScale = 8;
int ParseScale(const char* text);
}  // namespace win
