// What a draw reads from: samplers for the stage states, textures and
// buffers uploaded when their version moved, and the vertex arrays that
// point at them.
#include <algorithm>
#include <cstdint>

#include "platform/d3d/core/CoreIndexBuffer.h"
#include "platform/d3d/core/CoreTexture.h"
#include "platform/d3d/core/CoreVertexBuffer.h"
#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/core/FvfLayout.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlTextureUpload.h"

using namespace d3dgl;

GLuint GlBackend::Sampler(const DeviceState& state, DWORD stage) {
    const auto clampFilter = [](DWORD filter) { return filter > D3DTEXF_LINEAR ? DWORD{D3DTEXF_LINEAR} : filter; };
    const auto clampAddress = [](DWORD address) {
        return address >= D3DTADDRESS_WRAP && address <= D3DTADDRESS_MIRRORONCE ? address : DWORD{D3DTADDRESS_WRAP};
    };
    // Screen-space draws at a scale magnify by whole factors: point sampling
    // keeps their pixel art and glyphs to the colours they have at scale 1.
    const DWORD mag = m_bPointMagnified ? DWORD{D3DTEXF_POINT}
                                        : std::max<DWORD>(clampFilter(state.StageState(stage, D3DTSS_MAGFILTER)), 1);
    const DWORD min = std::max<DWORD>(clampFilter(state.StageState(stage, D3DTSS_MINFILTER)), 1);
    const DWORD mip = clampFilter(state.StageState(stage, D3DTSS_MIPFILTER));
    const DWORD u = clampAddress(state.StageState(stage, D3DTSS_ADDRESSU));
    const DWORD v = clampAddress(state.StageState(stage, D3DTSS_ADDRESSV));
    GLuint& sampler = m_uSamplers[SamplerIndex(mag, min, mip, u, v)];
    if (sampler != 0) {
        return sampler;
    }
    m_cache.Call(glGenSamplers, 1, &sampler);
    const bool linearMin = min == D3DTEXF_LINEAR;
    GLenum minFilter = linearMin ? GL_LINEAR : GL_NEAREST;
    if (mip == D3DTEXF_POINT) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    } else if (mip == D3DTEXF_LINEAR) {
        minFilter = linearMin ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    }
    const auto wrap = [](DWORD address) -> GLint {
        switch (address) {
            case D3DTADDRESS_MIRROR:
                return GL_MIRRORED_REPEAT;
            case D3DTADDRESS_CLAMP:
            case D3DTADDRESS_MIRRORONCE:
                return GL_CLAMP_TO_EDGE;
            case D3DTADDRESS_BORDER:
                return GL_CLAMP_TO_BORDER;
            default:
                return GL_REPEAT;
        }
    };
    m_cache.Call(glSamplerParameteri, sampler, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    m_cache.Call(glSamplerParameteri, sampler, GL_TEXTURE_MAG_FILTER, mag == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST);
    m_cache.Call(glSamplerParameteri, sampler, GL_TEXTURE_WRAP_S, wrap(u));
    m_cache.Call(glSamplerParameteri, sampler, GL_TEXTURE_WRAP_T, wrap(v));
    return sampler;
}

GlBackend::TextureData* GlBackend::PrepareTexture(CoreTexture& texture, int unit) {
    auto* data = static_cast<TextureData*>(texture.BackendData());
    if (data == nullptr) {
        data = new TextureData();
        m_cache.Call(glGenTextures, 1, &data->m_uTexture);
        texture.SetBackendData(data);
    }
    if (!data->m_bUploaded || data->m_dwVersion != texture.Version()) {
        // Uploaded on the unit it is drawn from, so no other stage's binding moves.
        m_cache.BindTexture(unit, data->m_uTexture);
        GlTextureUpload::Upload(m_cache, texture, m_limits.m_bS3tc && m_bCompressedUploads, m_scratch);
        data->m_dwVersion = texture.Version();
        data->m_bUploaded = true;
    }
    return data;
}

void GlBackend::BindTextures(const DeviceState& state, bool samplersDirty) {
    const bool pointMagnified = m_iScale > 1 && m_key.preTransformed != 0;
    if (pointMagnified != m_bPointMagnified) {
        m_bPointMagnified = pointMagnified;
        samplersDirty = true;
    }
    for (DWORD stage = 0; stage < kTextureStages; ++stage) {
        CoreTexture* texture = m_key.stages[stage].hasTexture != 0 ? state.Texture(stage) : nullptr;
        if (texture == nullptr) {
            continue;
        }
        TextureData* data = PrepareTexture(*texture, static_cast<int>(stage));
        m_cache.BindTexture(static_cast<int>(stage), data->m_uTexture);
        if (samplersDirty) {
            m_cache.BindSampler(static_cast<int>(stage), Sampler(state, stage));
        }
    }
}

GlBackend::BufferData* GlBackend::PrepareBuffer(ResourceBase& buffer, const BYTE* bytes, UINT length) {
    auto* data = static_cast<BufferData*>(buffer.BackendData());
    if (data == nullptr) {
        data = new BufferData();
        m_cache.Call(glGenBuffers, 1, &data->m_uBuffer);
        data->m_dwSerial = m_dwNextSerial++;
        buffer.SetBackendData(data);
    }
    if (!data->m_bUploaded || data->m_dwVersion != buffer.Version()) {
        // Index buffers too go through the array target, so no vertex array's
        // index binding moves.
        m_cache.BindArrayBuffer(data->m_uBuffer);
        const bool dynamic = (buffer.Usage() & D3DUSAGE_DYNAMIC) != 0;
        m_cache.Call(glBufferData, GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(length), bytes,
                     dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
        data->m_dwVersion = buffer.Version();
        data->m_bUploaded = true;
    }
    return data;
}

void GlBackend::SetupVertexArray(const FvfLayout& layout, UINT stride, GLuint buffer) {
    // The vertex array is bound; point its attributes into `buffer`.
    m_cache.BindArrayBuffer(buffer);
    const auto offset = [](UINT bytes) { return reinterpret_cast<const void*>(static_cast<std::uintptr_t>(bytes)); };
    const GLsizei s = static_cast<GLsizei>(stride);
    m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kPosition);
    m_cache.Call(glVertexAttribPointer, ShaderGenerator::kPosition, static_cast<GLint>(layout.PositionFloats()),
                 GL_FLOAT, GL_FALSE, s, offset(0));
    if (layout.WeightCount() > 0) {
        m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kWeights);
        m_cache.Call(glVertexAttribPointer, ShaderGenerator::kWeights,
                     static_cast<GLint>(std::min<UINT>(layout.WeightCount(), 4)), GL_FLOAT, GL_FALSE, s,
                     offset(layout.WeightOffset()));
    }
    if (layout.HasBlendIndices()) {
        m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kIndices);
        m_cache.Call(glVertexAttribPointer, ShaderGenerator::kIndices, 4, GL_UNSIGNED_BYTE, GL_FALSE, s,
                     offset(layout.BlendIndicesOffset()));
    }
    if (layout.HasNormal()) {
        m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kNormal);
        m_cache.Call(glVertexAttribPointer, ShaderGenerator::kNormal, 3, GL_FLOAT, GL_FALSE, s,
                     offset(layout.NormalOffset()));
    }
    // Packed colours are B, G, R, A bytes in memory: GL reads them with BGRA.
    if (layout.HasDiffuse()) {
        m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kDiffuse);
        m_cache.Call(glVertexAttribPointer, ShaderGenerator::kDiffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                     offset(layout.DiffuseOffset()));
    }
    if (layout.HasSpecular()) {
        m_cache.Call(glEnableVertexAttribArray, ShaderGenerator::kSpecular);
        m_cache.Call(glVertexAttribPointer, ShaderGenerator::kSpecular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s,
                     offset(layout.SpecularOffset()));
    }
    for (UINT set = 0; set < std::min<UINT>(layout.TexCoordCount(), 3); ++set) {
        const GLuint location = ShaderGenerator::kTexCoord0 + set;
        m_cache.Call(glEnableVertexAttribArray, location);
        m_cache.Call(glVertexAttribPointer, location,
                     static_cast<GLint>(std::min<UINT>(layout.TexCoordDimension(set), 4)), GL_FLOAT, GL_FALSE, s,
                     offset(layout.TexCoordOffset(set)));
    }
}

GLuint GlBackend::UserVertexArray(const FvfLayout& layout, UINT stride) {
    for (VertexArray& array : m_userArrays) {
        if (array.m_dwFvf == layout.Fvf() && array.m_uStride == stride) {
            m_cache.BindVertexArray(array.m_uVao);
            return array.m_uVao;
        }
    }
    VertexArray& array = m_userArrays[m_iNextUserArray];
    m_iNextUserArray = (m_iNextUserArray + 1) % kUserArrays;
    // Reuse the object: start from no enabled attributes.
    m_cache.Call(glDeleteVertexArrays, 1, &array.m_uVao);
    m_cache.Call(glGenVertexArrays, 1, &array.m_uVao);
    if (m_cache.CurrentVertexArray() == array.m_uVao) {
        m_cache.BindVertexArray(0);
    }
    m_cache.BindVertexArray(array.m_uVao);
    array.m_dwFvf = layout.Fvf();
    array.m_uStride = stride;
    SetupVertexArray(layout, stride, m_uUserVbo);
    return array.m_uVao;
}

GlBackend::VertexArray* GlBackend::BufferVertexArray(BufferData& vertices, const FvfLayout& layout, UINT stride) {
    VertexArray* array = nullptr;
    for (VertexArray& candidate : vertices.m_arrays) {
        if (candidate.m_uVao != 0 && candidate.m_dwFvf == layout.Fvf() && candidate.m_uStride == stride) {
            array = &candidate;
        }
    }
    if (array == nullptr) {
        array = &vertices.m_arrays[vertices.m_iNextArray];
        vertices.m_iNextArray = (vertices.m_iNextArray + 1) % 2;
        if (array->m_uVao != 0) {
            if (m_cache.CurrentVertexArray() == array->m_uVao) {
                m_cache.BindVertexArray(0);
            }
            m_cache.Call(glDeleteVertexArrays, 1, &array->m_uVao);
        }
        m_cache.Call(glGenVertexArrays, 1, &array->m_uVao);
        array->m_dwFvf = layout.Fvf();
        array->m_uStride = stride;
        array->m_dwIndexSerial = 0;
        m_cache.BindVertexArray(array->m_uVao);
        SetupVertexArray(layout, stride, vertices.m_uBuffer);
    }
    m_cache.BindVertexArray(array->m_uVao);
    return array;
}
