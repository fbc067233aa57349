// COM start-up and object creation, for the two classes the program creates.
#include <new>

#include "platform/dmusic/DMusic.h"
#include "platform/dmusic/DirectMusicLoader.h"
#include "platform/dmusic/DirectMusicPerformance.h"

namespace {
// One thread, so one count for the process.
int g_comInitCount = 0;
}  // namespace

HRESULT CoInitialize(LPVOID) {
    return g_comInitCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (g_comInitCount > 0) {
        --g_comInitCount;
    }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, LPVOID* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (g_comInitCount == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (outer != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    if ((context & CLSCTX_INPROC_SERVER) == 0) {
        return REGDB_E_CLASSNOTREG;  // both classes live in the process only
    }
    IUnknown* object = nullptr;
    if (clsid == CLSID_DirectMusicLoader) {
        object = static_cast<IDirectMusicLoader8*>(new (std::nothrow) DirectMusicLoader());
    } else if (clsid == CLSID_DirectMusicPerformance) {
        object = static_cast<IDirectMusicPerformance8*>(new (std::nothrow) DirectMusicPerformance());
    } else {
        return REGDB_E_CLASSNOTREG;
    }
    if (object == nullptr) {
        return E_OUTOFMEMORY;
    }
    // The object's own QueryInterface decides which interfaces it has.
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();
    return hr;
}
