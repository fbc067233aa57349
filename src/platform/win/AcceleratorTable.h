// The object behind an HACCEL: key combinations that become commands.
#pragma once

#include <vector>

#include "platform/win/WinUser.h"

struct HACCEL__ {
    WORD m_wId = 0;
    std::vector<ACCEL> m_entries;
};

class AcceleratorTable {
public:
    // Keeps a copy of the resource's entries under its id.
    static void Register(const AcceleratorResource& resource);
    // The table registered under `id`; null for other ids. The tables live as
    // long as the process, as loaded resources do.
    static HACCEL Load(WORD id);
    // The command of the entry matching a key message, or -1. Alt comes
    // from the message (context bit 29), Shift and Ctrl from the key state.
    static int Match(HACCEL table, const MSG& msg, bool shiftDown, bool controlDown);
};
