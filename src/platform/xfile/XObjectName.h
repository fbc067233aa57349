// The name rule data objects and references share: a null buffer asks for the
// length (terminator included, 0 for no name), a buffer too short is refused.
#pragma once

#include <string>

#include "platform/kernel/WinTypes.h"

HRESULT CopyObjectName(const std::string& source, LPSTR name, DWORD* length);
