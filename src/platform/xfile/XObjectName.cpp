#include "platform/xfile/XObjectName.h"

#include <cstring>

#include "platform/xfile/DXFile.h"

HRESULT CopyObjectName(const std::string& source, LPSTR name, DWORD* length) {
    if (length == nullptr) {
        return DXFILEERR_BADVALUE;
    }
    DWORD needed = source.empty() ? 0 : static_cast<DWORD>(source.size() + 1);
    if (name == nullptr) {
        *length = needed;
        return DXFILE_OK;
    }
    if (*length < needed) {
        return DXFILEERR_BADVALUE;
    }
    if (needed == 0) {
        if (*length > 0) {
            name[0] = '\0';
        }
    } else {
        std::memcpy(name, source.c_str(), needed);
    }
    *length = needed;
    return DXFILE_OK;
}
