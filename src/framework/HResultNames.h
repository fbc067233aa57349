// Symbolic name of a result code, for the diagnostic trace.
#pragma once

#include "platform/kernel/WinTypes.h"

// The name as the platform headers spell it, or "Unknown".
const char* HResultName(HRESULT code);
