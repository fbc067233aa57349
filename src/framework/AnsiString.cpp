#include "framework/AnsiString.h"

#include <cstring>

#include "platform/kernel/Kernel.h"

void AnsiToWide(wchar_t* dest, const char* src, int destChars) {
    if (dest == nullptr || src == nullptr || destChars == 0) {
        return;
    }
    if (destChars == -1) {
        destChars = static_cast<int>(std::strlen(src)) + 1;
    }
    if (destChars < 1) {
        return;
    }
    MultiByteToWideChar(CP_ACP, 0, src, -1, dest, destChars - 1);
    dest[destChars - 1] = L'\0';
}

void CopyAnsi(char* dest, const char* src, int destChars) {
    if (dest == nullptr || src == nullptr || destChars == 0) {
        return;
    }
    if (destChars == -1) {
        std::strcpy(dest, src);
        return;
    }
    if (destChars < 1) {
        return;
    }
    std::strncpy(dest, src, static_cast<std::size_t>(destChars));
    dest[destChars - 1] = '\0';
}
