// The system keyboard as a DirectInput device: a 256-byte snapshot of the
// keys held down, readable only while the device is acquired. A foreground
// device loses its acquisition when the window loses the keyboard focus.
#pragma once

#include "platform/dinput/DInput.h"
#include "platform/kernel/ComObject.h"

class KeyboardDevice final : public ComObject<IDirectInputDevice8A, IID_IDirectInputDevice8A> {
public:
    KeyboardDevice() = default;

    HRESULT SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT Acquire() override;
    HRESULT Unacquire() override;
    HRESULT GetDeviceState(DWORD size, LPVOID data) override;

private:
    ~KeyboardDevice() override = default;

    bool IsForeground() const { return (m_dwCoopFlags & DISCL_FOREGROUND) != 0; }

    bool m_bFormatSet = false;
    bool m_bAcquired = false;
    // Until SetCooperativeLevel the device reads in the background, as the platform's does.
    DWORD m_dwCoopFlags = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    HWND m_hWindow = nullptr;
};
