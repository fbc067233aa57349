// Where the keyboard device reads keys and focus: SDL, or a test's hooks.
#pragma once

#include "platform/dinput/DInput.h"

class KeyboardSource {
public:
    // Keys held down, indexed by SDL scan code; count receives the length.
    static const BYTE* KeyStates(int* count);
    // Whether the window has the keyboard focus.
    static bool HasFocus(HWND window);
};
