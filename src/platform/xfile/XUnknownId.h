// The base interface identifier every runtime object answers to. Kept private:
// the platform's base types own the public name.
#pragma once

#include "platform/kernel/WinTypes.h"

inline constexpr GUID kXUnknownId = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
