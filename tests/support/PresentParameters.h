// The presentation parameters most tests ask for: a windowed X8R8G8B8 back
// buffer, discarded at each present, with a 16-bit depth buffer unless told not.
#pragma once

#include "platform/d3d/D3D8.h"

inline D3DPRESENT_PARAMETERS WindowedParameters(UINT width = 512, UINT height = 384, bool depth = true,
                                                HWND window = nullptr) {
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = width;
    parameters.BackBufferHeight = height;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = depth ? TRUE : FALSE;
    parameters.AutoDepthStencilFormat = depth ? D3DFMT_D16 : D3DFMT_UNKNOWN;
    return parameters;
}
