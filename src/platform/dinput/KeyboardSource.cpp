#include "platform/dinput/KeyboardSource.h"

#include <SDL.h>

namespace {
dinput_hooks::KeyStateFn g_keyStateHook = nullptr;
dinput_hooks::FocusFn g_focusHook = nullptr;
}  // namespace

namespace dinput_hooks {
void SetKeyStateSource(KeyStateFn fn) {
    g_keyStateHook = fn;
}
void SetFocusSource(FocusFn fn) {
    g_focusHook = fn;
}
}  // namespace dinput_hooks

const BYTE* KeyboardSource::KeyStates(int* count) {
    if (g_keyStateHook != nullptr) {
        return g_keyStateHook(count);
    }
    return SDL_GetKeyboardState(count);
}

bool KeyboardSource::HasFocus(HWND window) {
    if (g_focusHook != nullptr) {
        return g_focusHook(window);
    }
    // The program has one window, so any focused SDL window is it.
    return SDL_GetKeyboardFocus() != nullptr;
}
