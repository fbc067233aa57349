// What one GL implementation can do, read once from a live context. Device
// capabilities and the format checks are answered from it.
#pragma once

#include <string>

#include "platform/d3d/D3D8.h"

struct GlLimits {
    std::string m_szRenderer;
    DWORD m_dwMaxTextureSize = 0;
    DWORD m_dwMaxSamples = 0;
    bool m_bS3tc = false;
    bool m_bDepth32 = false;
    bool m_bValid = false;

    // Reads the limits of the context that is current.
    static GlLimits ReadCurrent();

    bool SupportsDepthFormat(D3DFORMAT format) const;
    static bool IsDisplayFormat(D3DFORMAT format);
    static bool IsBackBufferFormat(D3DFORMAT format);
    static bool IsTextureFormat(D3DFORMAT format);

    // The capabilities of a device of `type` on this GL.
    void FillCaps(D3DDEVTYPE type, UINT adapter, D3DCAPS8* caps) const;
};
