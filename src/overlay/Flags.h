// The user's display choices: one 32-bit word kept in "VelmoranFlags.vmf".
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr DWORD FLAG_MANUAL_CAMERA = 1;
constexpr DWORD FLAG_WHITE_BACKGROUND = 2;
constexpr DWORD FLAG_SHOW_BUTTONS = 4;
constexpr DWORD FLAG_FRAMED_VIEW = 8;
constexpr DWORD FLAG_SHOW_NUMERALS = 16;

class Flags {
public:
    Flags();

    // Reads the word; on any failure it reports and the word stays as it was.
    void Load();
    // Writes the word through a temporary file renamed over the old one, so a
    // failure at any point leaves the previous file intact.
    void Save();

    int IsSet(DWORD bits) const { return (m_dwFlags & bits) != 0 ? 1 : 0; }
    int SetBits(DWORD bits);
    int ClearBits(DWORD bits);
    int ToggleBits(DWORD bits);
    // Toggles only when the shared repeat timer has run out; returns 1 then.
    int ToggleRepeat(DWORD bits);

    DWORD Word() const { return m_dwFlags; }

private:
    char m_szDir[MAX_PATH];
    DWORD m_dwFlags;
    float m_fRepeatTimer;
};

namespace flags_testing {
// Makes the next saves fail at one step, as a full disk or a crash would.
enum class SaveFault { None, Write, Rename };
void SetSaveFault(SaveFault fault);
}  // namespace flags_testing
