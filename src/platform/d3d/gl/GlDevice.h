// Makes devices for the GL Direct3D object: the shared device core over a
// GL backend of the asked type.
#pragma once

#include "platform/d3d/D3D8.h"

class GlDirect3D;

class GlDevice {
public:
    // The window drawn into is the presentation parameters' device window,
    // else the focus window. A HAL device needs one with a GL context; a REF
    // device draws off-screen and shows its frames in the window if there is
    // one. On failure *device is null and nothing is kept.
    static HRESULT Create(GlDirect3D* direct3D, UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                          D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device);
};
