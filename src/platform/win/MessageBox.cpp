#include <SDL.h>

#include <cstdio>

#include "platform/win/DisplayConnection.h"
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
    // Every box is also one line on stderr: it reaches a terminal or a log
    // when nobody sees the screen, and it is all there is when drawing in
    // another program's window (a screen saver's, with the keyboard and
    // pointer grabbed), where a box could never be answered.
    std::fprintf(stderr, "velmoran: %s: ", caption != nullptr ? caption : "");
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        std::fputc(*c == '\n' ? ' ' : *c, stderr);
    }
    std::fputc('\n', stderr);
    if (win::HasHostedWindow() || win::IsDisplayLost()) {
        return IDOK;
    }
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) {
        flags = SDL_MESSAGEBOX_ERROR;
    } else if ((type & 0xF0) == MB_ICONWARNING) {
        flags = SDL_MESSAGEBOX_WARNING;
    }
    // Without a display the box cannot be shown; the line above said it.
    // SDL shows the box from a child process with a connection of its own:
    // when the X server goes away the child ends and the box fails here.
    if (SDL_ShowSimpleMessageBox(flags, caption != nullptr ? caption : "", text != nullptr ? text : "", nullptr) != 0) {
        win::CheckDisplayStillThere();
    }
    return IDOK;
}
