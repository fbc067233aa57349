// The DirectInput 8 object: it hands out the system keyboard.
#pragma once

#include "platform/dinput/DInput.h"

class DirectInput8 final : public IDirectInput8A {
public:
    DirectInput8() = default;
    DirectInput8(const DirectInput8&) = delete;
    DirectInput8& operator=(const DirectInput8&) = delete;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT CreateDevice(REFGUID device, IDirectInputDevice8A** out, IUnknown* outer) override;

private:
    ~DirectInput8() = default;

    ULONG m_ulRefs = 1;
};
