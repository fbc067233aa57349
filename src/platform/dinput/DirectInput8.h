// The DirectInput 8 object: it hands out the system keyboard.
#pragma once

#include "platform/dinput/DInput.h"
#include "platform/kernel/ComObject.h"

class DirectInput8 final : public ComObject<IDirectInput8A, IID_IDirectInput8A> {
public:
    DirectInput8() = default;

    HRESULT CreateDevice(REFGUID device, IDirectInputDevice8A** out, IUnknown* outer) override;

private:
    ~DirectInput8() override = default;
};
