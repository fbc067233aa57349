// The object behind an HACCEL: key combinations that become commands.
#pragma once

#include <vector>

#include "platform/win/WinUser.h"

struct HACCEL__ {
    std::vector<ACCEL> m_entries;
};

class AcceleratorTable {
public:
    // Table 113 of the program module (Esc, F2, Alt+Enter, Alt+X); null for
    // other ids. The tables live as long as the process, as loaded resources do.
    static HACCEL Load(WORD id);
    // The command of the entry matching a key message, or -1. Alt comes
    // from the message (context bit 29), Shift and Ctrl from the key state.
    static int Match(HACCEL table, const MSG& msg, bool shiftDown, bool controlDown);
};
