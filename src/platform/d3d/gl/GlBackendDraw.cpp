// One draw: the GL work its dirty states call for (see the table by the
// dirty flags in DeviceState.h), then the vertices from the caller's memory
// or the bound buffers.
#include <algorithm>
#include <cstdint>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlTranslation.h"

using namespace d3dgl;

HRESULT GlBackend::Draw(DeviceState& state, const DrawCall& call) {
    if (call.m_pLayout == nullptr || !MakeCurrent()) {
        return D3DERR_INVALIDCALL;
    }
    const FvfLayout& layout = *call.m_pLayout;
    const DWORD dirty = state.Dirty() | m_dwForceDirty;
    m_dwForceDirty = 0;
    m_cache.BindDrawFramebuffer(m_uBackFbo);
    if ((dirty & DeviceState::DIRTY_RENDER_STATES) != 0) {
        ApplyRenderStates(state);
    }
    if ((dirty & DeviceState::DIRTY_VIEWPORT) != 0) {
        ApplyViewport(state);
    }
    const DWORD keyFlags = DeviceState::DIRTY_RENDER_STATES | DeviceState::DIRTY_STAGE_STATES |
                           DeviceState::DIRTY_TEXTURES | DeviceState::DIRTY_LIGHTS | DeviceState::DIRTY_VERTEX_SHADER;
    if ((dirty & keyFlags) != 0 || layout.Fvf() != m_dwKeyFvf || m_uProgram == 0) {
        BuildShaderKey(state, layout, &m_key);
        m_uProgram = m_shaders.Program(m_key);
        m_dwKeyFvf = layout.Fvf();
    }
    if (m_uProgram == 0) {
        return D3DERR_DRIVERINTERNALERROR;
    }
    m_cache.UseProgram(m_uProgram);
    BindPalette(ShaderGenerator::PaletteEntries(m_key));
    const DWORD frameFlags = DeviceState::DIRTY_RENDER_STATES | DeviceState::DIRTY_TEXTURE_TRANSFORMS |
                             DeviceState::DIRTY_VIEW | DeviceState::DIRTY_PROJECTION | DeviceState::DIRTY_MATERIAL |
                             DeviceState::DIRTY_LIGHTS | DeviceState::DIRTY_VIEWPORT;
    if ((dirty & frameFlags) != 0) {
        UpdateFrameBlock(state);
    }
    if ((dirty & (DeviceState::DIRTY_WORLD | DeviceState::DIRTY_PALETTE)) != 0) {
        UpdateWorldBlocks(state, dirty);
    }
    BindTextures(state, (dirty & (DeviceState::DIRTY_STAGE_STATES | DeviceState::DIRTY_TEXTURES)) != 0);

    const GLenum mode = PrimitiveMode(call.m_type);
    const GLsizei count = static_cast<GLsizei>(call.m_uElementCount);
    if (call.m_pUserVertices != nullptr) {
        const UINT stride = call.m_uUserStride;
        const GLsizeiptr bytes = static_cast<GLsizeiptr>(call.m_uElementCount) * stride;
        UserVertexArray(layout, stride);
        m_cache.BindArrayBuffer(m_uUserVbo);
        if (bytes > m_iUserVboSize) {
            m_iUserVboSize = std::max<GLsizeiptr>(bytes, 64 * 1024);
        }
        // Orphan the old storage so the driver need not wait for the last draw.
        m_cache.Call(glBufferData, GL_ARRAY_BUFFER, m_iUserVboSize, nullptr, GL_STREAM_DRAW);
        m_cache.Call(glBufferSubData, GL_ARRAY_BUFFER, 0, bytes, call.m_pUserVertices + call.m_uStartVertex * stride);
        m_cache.Call(glDrawArrays, mode, 0, count);
    } else {
        CoreVertexBuffer* stream = state.StreamSource();
        if (stream == nullptr) {
            return D3DERR_INVALIDCALL;
        }
        BufferData* vertices = PrepareBuffer(*stream, stream->Bytes(), stream->Length());
        VertexArray* array = BufferVertexArray(*vertices, layout, state.StreamStride());
        if (call.m_bIndexed) {
            CoreIndexBuffer* indices = state.Indices();
            if (indices == nullptr) {
                return D3DERR_INVALIDCALL;
            }
            BufferData* indexData = PrepareBuffer(*indices, indices->Bytes(), indices->Length());
            if (array->m_dwIndexSerial != indexData->m_dwSerial) {
                m_cache.Call(glBindBuffer, GL_ELEMENT_ARRAY_BUFFER, indexData->m_uBuffer);
                array->m_dwIndexSerial = indexData->m_dwSerial;
            }
            const UINT indexSize = indices->IndexSize();
            m_cache.Call(glDrawElementsBaseVertex, mode, count, indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                         reinterpret_cast<const void*>(static_cast<std::uintptr_t>(call.m_uStartIndex) * indexSize),
                         static_cast<GLint>(state.BaseVertexIndex()));
        } else {
            m_cache.Call(glDrawArrays, mode, static_cast<GLint>(call.m_uStartVertex), count);
        }
    }
    state.ClearDirty(keyFlags | frameFlags | DeviceState::DIRTY_WORLD | DeviceState::DIRTY_PALETTE |
                     DeviceState::DIRTY_STREAM | DeviceState::DIRTY_INDICES | DeviceState::DIRTY_PIXEL_SHADER |
                     DeviceState::DIRTY_TEXTURE_TRANSFORMS);
    return D3D_OK;
}
