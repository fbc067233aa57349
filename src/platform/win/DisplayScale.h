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

// Parses a whole factor from 1 to kMaxScale; 0 for anything else.
constexpr int kMaxScale = 8;
int ParseScale(const char* text);
}  // namespace win
