// The user's display choices: one 32-bit word kept in "VelmoranFlags.vmf".
#pragma once

#include "platform/kernel/WinTypes.h"

constexpr DWORD FLAG_MANUAL_CAMERA = 1;
constexpr DWORD FLAG_WHITE_BACKGROUND = 2;
constexpr DWORD FLAG_SHOW_BUTTONS = 4;
constexpr DWORD FLAG_FRAMED_VIEW = 8;
constexpr DWORD FLAG_SHOW_NUMERALS = 16;

// The word a run starts from with no settings of its own to read, and the
// one the generated default settings file holds.
constexpr DWORD kDefaultFlagsWord = FLAG_SHOW_BUTTONS | FLAG_SHOW_NUMERALS;

class Flags {
public:
    Flags();

    // Reads the word; on any failure it reports and the word stays as it was.
    // An installed program whose user has no settings file yet reads the
    // installed default file instead, silently.
    void Load();
    // Starts from the default word without reading the user's file: the
    // installed default file's word, or kDefaultFlagsWord in a run folder.
    void LoadDefault();
    // Writes the word through a temporary file renamed over the old one, so a
    // failure at any point leaves the previous file intact. An installed
    // program creates the user's settings folder first.
    void Save();

    int IsSet(DWORD bits) const { return (m_dwFlags & bits) != 0 ? 1 : 0; }
    int SetBits(DWORD bits);
    int ClearBits(DWORD bits);
    int ToggleBits(DWORD bits);
    // Toggles only when the shared repeat timer has run out; returns 1 then.
    int ToggleRepeat(DWORD bits);

    DWORD Word() const { return m_dwFlags; }

private:
    // Reads the word from dir's settings file into the word; FALSE, with
    // errno set, when the file cannot be opened.
    BOOL ReadWord(const char* dir, BOOL& read);

    char m_szDir[MAX_PATH];
    char m_szDefaultDir[MAX_PATH];
    DWORD m_dwFlags;
    float m_fRepeatTimer;
};

namespace flags_hooks {
// Makes the next saves fail at one step, as a full disk or a crash would.
enum class SaveFault { None, Write, Rename };
void SetSaveFault(SaveFault fault);
}  // namespace flags_hooks
