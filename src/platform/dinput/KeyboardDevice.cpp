#include "platform/dinput/KeyboardDevice.h"

#include <cstring>

#include "platform/dinput/KeyboardSource.h"
#include "platform/dinput/ScanCodeMap.h"

namespace {
constexpr DWORD kSnapshotSize = 256;
}  // namespace

HRESULT KeyboardDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) || format->dwDataSize != kSnapshotSize) {
        return DIERR_INVALIDPARAM;
    }
    if (m_bAcquired) {
        return DIERR_ACQUIRED;
    }
    m_bFormatSet = true;
    return DI_OK;
}

HRESULT KeyboardDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    const DWORD known = DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_FOREGROUND | DISCL_BACKGROUND | DISCL_NOWINKEY;
    bool oneSharing = ((flags & DISCL_EXCLUSIVE) != 0) != ((flags & DISCL_NONEXCLUSIVE) != 0);
    bool oneScope = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
    if ((flags & ~known) != 0 || !oneSharing || !oneScope) {
        return DIERR_INVALIDPARAM;
    }
    // The focus rule needs a window to follow.
    if ((flags & DISCL_FOREGROUND) != 0 && window == nullptr) {
        return E_HANDLE;
    }
    // Nobody may take the keyboard away from the rest of the desktop while in the background.
    if ((flags & DISCL_EXCLUSIVE) != 0 && (flags & DISCL_BACKGROUND) != 0) {
        return DIERR_UNSUPPORTED;
    }
    if (m_bAcquired) {
        return DIERR_ACQUIRED;
    }
    m_dwCoopFlags = flags;
    m_hWindow = window;
    return DI_OK;
}

HRESULT KeyboardDevice::Acquire() {
    if (!m_bFormatSet) {
        return DIERR_INVALIDPARAM;
    }
    if (IsForeground() && !KeyboardSource::HasFocus(m_hWindow)) {
        return DIERR_OTHERAPPHASPRIO;
    }
    if (m_bAcquired) {
        return DI_NOEFFECT;
    }
    m_bAcquired = true;
    return DI_OK;
}

HRESULT KeyboardDevice::Unacquire() {
    if (!m_bAcquired) {
        return DI_NOEFFECT;
    }
    m_bAcquired = false;
    return DI_OK;
}

HRESULT KeyboardDevice::GetDeviceState(DWORD size, LPVOID data) {
    if (data == nullptr || size != kSnapshotSize) {
        return DIERR_INVALIDPARAM;
    }
    if (!m_bAcquired) {
        return DIERR_NOTACQUIRED;
    }
    if (IsForeground() && !KeyboardSource::HasFocus(m_hWindow)) {
        // Reported once; from then on the device is simply not acquired.
        m_bAcquired = false;
        return DIERR_INPUTLOST;
    }
    auto* snapshot = static_cast<BYTE*>(data);
    std::memset(snapshot, 0, kSnapshotSize);
    int count = 0;
    const BYTE* keys = KeyboardSource::KeyStates(&count);
    for (int scancode = 0; keys != nullptr && scancode < count; ++scancode) {
        BYTE dik = ScanCodeMap::ToDik(scancode);
        if (keys[scancode] != 0 && dik != 0) {
            snapshot[dik] = 0x80;
        }
    }
    return DI_OK;
}
