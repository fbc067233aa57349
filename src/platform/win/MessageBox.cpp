#include <SDL.h>

#include <cstdio>

#include "platform/win/HostWindow.h"
#include "platform/win/WinUser.h"

namespace {
win_hooks::MessageBoxFn g_messageBoxHook = nullptr;
}

namespace win_hooks {
void SetMessageBox(MessageBoxFn fn) {
    g_messageBoxHook = fn;
}
}  // namespace win_hooks

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    if (g_messageBoxHook != nullptr) {
        return g_messageBoxHook(owner, text, caption, type);
    }
    if (win::HasHostedWindow()) {
        // Drawing in another program's window (a screen saver's, with the
        // keyboard and pointer grabbed) a box could never be answered: one
        // line on stderr instead.
        std::fprintf(stderr, "%s: ", caption != nullptr ? caption : "");
        for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
            std::fputc(*c == '\n' ? ' ' : *c, stderr);
        }
        std::fputc('\n', stderr);
        return IDOK;
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) {
        flags = SDL_MESSAGEBOX_ERROR;
    } else if ((type & 0xF0) == MB_ICONWARNING) {
        flags = SDL_MESSAGEBOX_WARNING;
    }
    // Without a display the box cannot be shown; say it on stderr instead so
    // nothing is lost and nothing waits for a click.
    if (SDL_ShowSimpleMessageBox(flags, caption != nullptr ? caption : "", text != nullptr ? text : "", nullptr) != 0) {
        SDL_Log("%s: %s", caption != nullptr ? caption : "", text != nullptr ? text : "");
    }
    return IDOK;
}
