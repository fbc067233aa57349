// The uniform blocks the programs read: the frame block (transforms, fog,
// material, lights, texture transforms) and the world and normal matrices of
// the palette, packed and uploaded when their states changed.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/d3d/core/DeviceState.h"
#include "platform/d3d/gl/GlBackend.h"
#include "platform/d3d/gl/GlTranslation.h"

using namespace d3dgl;

void GlBackend::UpdateFrameBlock(const DeviceState& state) {
    FrameBlock& f = m_frame;
    const D3DMATRIX& view = state.Transform(D3DTS_VIEW);
    MatrixToFloats(view, f.view);
    MatrixToFloats(state.Transform(D3DTS_PROJECTION), f.projection);
    NormalMatrix(view, f.viewNormal);

    const float start = state.RenderStateFloat(D3DRS_FOGSTART);
    const float end = state.RenderStateFloat(D3DRS_FOGEND);
    f.fog[0] = start;
    f.fog[1] = end;
    f.fog[2] = end != start ? 1.0f / (end - start) : 1.0e30f;

    const D3DVIEWPORT8& viewport = state.Viewport();
    f.screen[0] = static_cast<float>(viewport.X);
    f.screen[1] = static_cast<float>(static_cast<LONG>(m_uHeight) - static_cast<LONG>(viewport.Y + viewport.Height));
    f.screen[2] = static_cast<float>(std::max<DWORD>(viewport.Width, 1));
    f.screen[3] = static_cast<float>(std::max<DWORD>(viewport.Height, 1));
    f.target[0] = static_cast<float>(m_uWidth);
    f.target[1] = static_cast<float>(m_uHeight);

    const D3DMATERIAL8& material = state.Material();
    ValueToFloats(material.Diffuse, f.materialDiffuse);
    ValueToFloats(material.Ambient, f.materialAmbient);
    ValueToFloats(material.Emissive, f.materialEmissive);
    ValueToFloats(material.Specular, f.materialSpecular);
    f.materialSpecular[3] = material.Power;
    MatrixToFloats(state.Transform(D3DTS_TEXTURE0), f.textureMatrix[0]);
    MatrixToFloats(state.Transform(D3DTS_TEXTURE1), f.textureMatrix[1]);
    ColourToFloats(state.RenderState(D3DRS_AMBIENT), f.ambientTotal);
    int packed = 0;
    for (DWORD i = 0; i < DeviceState::kLightCount; ++i) {
        if (!state.IsLightEnabled(i)) {
            continue;
        }
        const D3DLIGHT8& light = state.Light(i);
        f.ambientTotal[0] += light.Ambient.r;
        f.ambientTotal[1] += light.Ambient.g;
        f.ambientTotal[2] += light.Ambient.b;
        ValueToFloats(light.Diffuse, f.lightDiffuse[packed]);
        ValueToFloats(light.Specular, f.lightSpecular[packed]);
        // Direction into camera space (a vector: no translation), turned to
        // point at the light.
        const D3DVECTOR& d = light.Direction;
        float cx = d.x * view._11 + d.y * view._21 + d.z * view._31;
        float cy = d.x * view._12 + d.y * view._22 + d.z * view._32;
        float cz = d.x * view._13 + d.y * view._23 + d.z * view._33;
        const float length = std::sqrt(cx * cx + cy * cy + cz * cz);
        if (length > 0.0f) {
            cx /= length;
            cy /= length;
            cz /= length;
        }
        f.lightDirection[packed][0] = -cx;
        f.lightDirection[packed][1] = -cy;
        f.lightDirection[packed][2] = -cz;
        f.lightDirection[packed][3] = 0.0f;
        ++packed;
    }
    UploadUniforms(m_uFrameUbo, &m_frame, sizeof(FrameBlock));

    // Written only when it changed: any write marks the fragment stage's
    // constants as new.
    PixelBlock pixel = {};
    ColourToFloats(state.RenderState(D3DRS_FOGCOLOR), pixel.fogColor);
    ColourToFloats(state.RenderState(D3DRS_TEXTUREFACTOR), pixel.textureFactor);
    pixel.alphaRef[0] = static_cast<float>(state.RenderState(D3DRS_ALPHAREF) & 0xFF);
    if (std::memcmp(&pixel, &m_pixel, sizeof(PixelBlock)) != 0) {
        m_pixel = pixel;
        UploadUniforms(m_uPixelUbo, &m_pixel, sizeof(PixelBlock));
    }
}

void GlBackend::UpdateWorldBlocks(const DeviceState& state, DWORD dirty) {
    const DWORD count = (dirty & DeviceState::DIRTY_PALETTE) != 0
                            ? std::min<DWORD>(state.PaletteEntriesInUse(), ShaderGenerator::kPaletteSize)
                            : 1;
    for (DWORD i = 0; i < count; ++i) {
        MatrixToFloats(state.WorldMatrix(i), m_fWorld[i]);
        NormalMatrix(state.WorldMatrix(i), m_fWorldNormal[i]);
    }
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(count * 16 * sizeof(float));
    UploadUniforms(m_uWorldUbo, m_fWorld, bytes);
    UploadUniforms(m_uWorldNormalUbo, m_fWorldNormal, bytes);
}

void GlBackend::UploadUniforms(GLuint buffer, const void* data, GLsizeiptr bytes) {
    m_cache.Call(glBindBuffer, GL_UNIFORM_BUFFER, buffer);
    m_cache.Call(glBufferSubData, GL_UNIFORM_BUFFER, 0, bytes, data);
}

void GlBackend::BindPalette(unsigned entries) {
    if (m_uBoundPaletteEntries == entries) {
        return;
    }
    m_uBoundPaletteEntries = entries;
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(entries * 16 * sizeof(float));
    m_cache.Call(glBindBufferBase, GL_UNIFORM_BUFFER, ShaderGenerator::kFrameBlock, m_uFrameUbo);
    m_cache.Call(glBindBufferBase, GL_UNIFORM_BUFFER, ShaderGenerator::kPixelBlock, m_uPixelUbo);
    m_cache.Call(glBindBufferRange, GL_UNIFORM_BUFFER, ShaderGenerator::kWorldBlock, m_uWorldUbo, 0, bytes);
    m_cache.Call(glBindBufferRange, GL_UNIFORM_BUFFER, ShaderGenerator::kWorldNormalBlock, m_uWorldNormalUbo, 0, bytes);
}
