#include "platform/dinput/KeyboardSource.h"

#include <SDL.h>

#include "platform/win/GlWindow.h"

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
    SDL_Window* focused = SDL_GetKeyboardFocus();
    SDL_Window* own = win::GetSdlWindow(window);
    // A window with no SDL window of its own (a bare window object) goes by
    // whether the process has the focus at all.
    return own != nullptr ? focused == own : focused != nullptr;
}
