#include "scene/ViewportPair.h"

namespace {
// Formed in floating point, rounded to single precision, then truncated.
DWORD Scaled(DWORD value, float factor) {
    return static_cast<DWORD>(static_cast<float>(value) * factor);
}
}  // namespace

ViewportPair::ViewportPair() : m_vpFramed{0, 0, 0, 0, 0.0f, 1.0f}, m_vpFull{0, 0, 0, 0, 0.0f, 1.0f} {}

HRESULT ViewportPair::SetFramed(DWORD width, DWORD height) {
    m_vpFramed.X = Scaled(width, 0.25f * 0.5f);
    m_vpFramed.Y = Scaled(height, 0.25f * 0.5f);
    m_vpFramed.Width = Scaled(width, 0.75f);
    m_vpFramed.Height = Scaled(height, 0.75f);
    m_vpFramed.MinZ = 0.0f;
    m_vpFramed.MaxZ = 1.0f;
    return S_OK;
}

HRESULT ViewportPair::SetFull(DWORD width, DWORD height) {
    m_vpFull.X = 0;
    m_vpFull.Y = 0;
    m_vpFull.Width = width;
    m_vpFull.Height = height;
    m_vpFull.MinZ = 0.0f;
    m_vpFull.MaxZ = 1.0f;
    return S_OK;
}
