// Integer HSV to RGB for the ribbon's cycling colours.
#pragma once

#include "platform/kernel/WinTypes.h"

// Hue in degrees (any value; taken modulo 360, negative ones too), saturation
// and value 0..255 (their low bytes). Returns 0x00RRGGBB.
DWORD HueToRgb(int nHue, int nSaturation, int nValue);
