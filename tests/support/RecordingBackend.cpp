#include "support/RecordingBackend.h"

#include "platform/d3d/core/CoreSurface.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceState.h"

int BackendLog::Count(BackendEvent::Kind kind) const {
    return static_cast<int>(Of(kind).size());
}

std::vector<const BackendEvent*> BackendLog::Of(BackendEvent::Kind kind) const {
    std::vector<const BackendEvent*> out;
    for (const BackendEvent& e : m_events) {
        if (e.m_kind == kind) {
            out.push_back(&e);
        }
    }
    return out;
}

HRESULT RecordingBackend::Reset(D3DPRESENT_PARAMETERS& parameters) {
    if (parameters.BackBufferWidth == 0) {
        parameters.BackBufferWidth = 512;
    }
    if (parameters.BackBufferHeight == 0) {
        parameters.BackBufferHeight = 384;
    }
    ++m_pLog->m_nResets;
    m_pLog->m_events.emplace_back(BackendEvent::kReset);
    if (m_bCreated && m_pLog->m_nFailingResets > 0) {
        --m_pLog->m_nFailingResets;
        return D3DERR_INVALIDCALL;
    }
    m_bCreated = true;
    return D3D_OK;
}

HRESULT RecordingBackend::Draw(DeviceState& state, const DrawCall& call) {
    ++m_pLog->m_nDraws;
    if (!m_pLog->m_bRecord) {
        state.ClearDirty();
        return D3D_OK;
    }
    BackendEvent e(BackendEvent::kDraw);
    e.m_uPrimitives = call.m_uPrimitiveCount;
    e.m_world = state.WorldMatrix(0);
    e.m_dwAlphaBlend = state.RenderState(D3DRS_ALPHABLENDENABLE);
    e.m_dwMinFilter = state.StageState(0, D3DTSS_MINFILTER);
    if (!call.m_bIndexed && call.m_pUserVertices == nullptr && state.StreamSource() != nullptr) {
        e.m_uStride = state.StreamStride();
        const BYTE* first = state.StreamSource()->Bytes() + call.m_uStartVertex * e.m_uStride;
        e.m_vertices.assign(first, first + call.m_uElementCount * e.m_uStride);
    }
    m_pLog->m_events.push_back(std::move(e));
    state.ClearDirty();
    return D3D_OK;
}

HRESULT RecordingBackend::SetCursorProperties(UINT xHotSpot, UINT yHotSpot, const CoreSurface& image) {
    m_pLog->m_uHotX = xHotSpot;
    m_pLog->m_uHotY = yHotSpot;
    m_pLog->m_uCursorWidth = image.Width();
    m_pLog->m_uCursorHeight = image.Height();
    m_pLog->m_cursorPixels.clear();
    for (UINT y = 0; y < image.Height(); ++y) {
        const auto* row = reinterpret_cast<const DWORD*>(image.Bits() + y * image.Pitch());
        m_pLog->m_cursorPixels.insert(m_pLog->m_cursorPixels.end(), row, row + image.Width());
    }
    return D3D_OK;
}

HRESULT CreateRecordingTestDevice(BackendLog* log, const DeviceCore::Creation& creation,
                                  D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice8** device) {
    return DeviceCore::Create(std::make_unique<RecordingBackend>(log), creation, parameters, device);
}
