// File-name conversion and bounded copy; both always leave a terminated result.
#pragma once

#include <cwchar>

// destChars -1: the whole of src. Otherwise at most destChars - 1 characters.
void AnsiToWide(wchar_t* dest, const char* src, int destChars);
// destChars -1: the whole of src. Otherwise strncpy of destChars, then dest[destChars - 1] = 0.
void CopyAnsi(char* dest, const char* src, int destChars);
