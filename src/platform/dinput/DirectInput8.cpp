#include "platform/dinput/DirectInput8.h"

#include <new>

#include "platform/dinput/KeyboardDevice.h"

// The keyboard delivers one layout: 256 bytes, one per scan code.
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 0, DIDF_RELAXIS, 256, 0, nullptr};

HRESULT DirectInput8Create(HINSTANCE, DWORD version, REFIID iid, LPVOID* out, IUnknown* outer) {
    if (out == nullptr) {
        return DIERR_INVALIDPARAM;
    }
    *out = nullptr;
    if (outer != nullptr) {
        return DIERR_NOAGGREGATION;
    }
    if (version > DIRECTINPUT_VERSION) {
        return DIERR_OLDDIRECTINPUTVERSION;
    }
    if (version < DIRECTINPUT_VERSION) {
        return DIERR_BETADIRECTINPUTVERSION;
    }
    if (iid != IID_IDirectInput8A) {
        return DIERR_NOINTERFACE;
    }
    auto* input = new (std::nothrow) DirectInput8();
    if (input == nullptr) {
        return E_OUTOFMEMORY;
    }
    *out = static_cast<IDirectInput8A*>(input);
    return DI_OK;
}

HRESULT DirectInput8::CreateDevice(REFGUID device, IDirectInputDevice8A** out, IUnknown* outer) {
    if (out == nullptr) {
        return DIERR_INVALIDPARAM;
    }
    *out = nullptr;
    if (outer != nullptr) {
        return DIERR_NOAGGREGATION;
    }
    if (device != GUID_SysKeyboard) {
        return DIERR_DEVICENOTREG;
    }
    auto* keyboard = new (std::nothrow) KeyboardDevice();
    if (keyboard == nullptr) {
        return E_OUTOFMEMORY;
    }
    *out = keyboard;
    return DI_OK;
}
