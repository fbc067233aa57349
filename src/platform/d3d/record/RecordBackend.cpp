#include "platform/d3d/record/RecordBackend.h"

#include <cstring>

#include "platform/d3d/core/DeviceState.h"

RecordBackend::RecordBackend(UINT clientWidth, UINT clientHeight)
    : m_uClientWidth(clientWidth), m_uClientHeight(clientHeight) {}

HRESULT RecordBackend::Reset(D3DPRESENT_PARAMETERS& parameters) {
    if (FAILED(m_hrNextReset)) {
        const HRESULT hr = m_hrNextReset;
        m_hrNextReset = D3D_OK;
        return hr;
    }
    if (parameters.Windowed) {
        if (parameters.BackBufferWidth == 0) {
            parameters.BackBufferWidth = m_uClientWidth;
        }
        if (parameters.BackBufferHeight == 0) {
            parameters.BackBufferHeight = m_uClientHeight;
        }
    }
    m_hrCooperativeLevel = D3D_OK;
    return D3D_OK;
}

HRESULT RecordBackend::Clear(DeviceState&, DWORD, const D3DRECT*, DWORD flags, D3DCOLOR color, float, DWORD) {
    if ((flags & D3DCLEAR_TARGET) != 0) {
        m_backColor = color;
    }
    return D3D_OK;
}

HRESULT RecordBackend::Draw(DeviceState& state, const DrawCall& call) {
    m_log.AddDraw(state, call);
    state.ClearDirty();
    return D3D_OK;
}

HRESULT RecordBackend::Present(const RECT*, const RECT*, HWND) {
    m_log.AddPresent();
    m_frontColor = m_backColor;
    return D3D_OK;
}

HRESULT RecordBackend::ReadFrontBuffer(UINT width, UINT height, BYTE* bits, UINT pitch) {
    for (UINT y = 0; y < height; ++y) {
        BYTE* row = bits + static_cast<size_t>(y) * pitch;
        for (UINT x = 0; x < width; ++x) {
            std::memcpy(row + 4 * static_cast<size_t>(x), &m_frontColor, 4);
        }
    }
    return D3D_OK;
}

HRESULT RecordBackend::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface&) {
    m_cursorHotSpot = {static_cast<LONG>(xHotSpot), static_cast<LONG>(yHotSpot)};
    return D3D_OK;
}

void RecordBackend::SetCursorPosition(int x, int y, DWORD) {
    m_cursorPosition = {x, y};
}

void RecordBackend::ReleaseResource(ResourceBase&) {
    m_log.AddReleasedResource();
}
