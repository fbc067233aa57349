// The two viewports of the window: the whole back buffer, and the centred
// three-quarter view inside the overlay frame.
#pragma once

#include "platform/d3d/D3D8Types.h"

class ViewportPair {
public:
    ViewportPair();

    HRESULT SetFramed(DWORD width, DWORD height);
    HRESULT SetFull(DWORD width, DWORD height);

    const D3DVIEWPORT8& Framed() const { return m_vpFramed; }
    const D3DVIEWPORT8& Full() const { return m_vpFull; }

private:
    D3DVIEWPORT8 m_vpFramed;
    D3DVIEWPORT8 m_vpFull;
};
