// Virtual-key codes for SDL keys.
#pragma once

#include "platform/win/WinUser.h"

class KeyMap {
public:
    // The virtual key of an SDL key code (SDL_Keycode); 0 for keys the
    // platform has no code for.
    static WPARAM VirtualKey(int sdlKeycode);
    // Keys whose messages carry the extended-key bit (bit 24 of lParam).
    static bool IsExtended(int sdlKeycode);
};
