// Hands out an interface the caller must release: the getters of the meshes.
#pragma once

#include "platform/d3d/D3D8.h"

template <class T>
HRESULT GiveReference(T* object, T** out) {
    if (out == nullptr) {
        return D3DERR_INVALIDCALL;
    }
    object->AddRef();
    *out = object;
    return D3D_OK;
}
