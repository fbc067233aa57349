// The reference counting every object handed out through an interface shares:
// one reference at birth, deleted when the last is released, and a QueryInterface
// that answers IUnknown and the ids listed. Objects whose lifetime is tied to
// something else (a device's resources) keep their own counting.
#pragma once

#include "platform/kernel/WinTypes.h"

inline constexpr GUID kIID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

template <typename Interface, const GUID&... kInterfaceIds>
class ComObject : public Interface {
public:
    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == kIID_IUnknown || ((riid == kInterfaceIds) || ...)) {
            AddRef();
            *object = static_cast<Interface*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG AddRef() override { return ++m_ulRefCount; }

    ULONG Release() override {
        const ULONG count = --m_ulRefCount;
        if (count == 0) {
            delete this;
        }
        return count;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

private:
    ULONG m_ulRefCount = 1;
};
