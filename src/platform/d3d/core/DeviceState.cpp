#include "platform/d3d/core/DeviceState.h"

#include <cstring>

namespace {

DWORD FloatBits(float value) {
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

}  // namespace

DeviceState::DeviceState() {
    D3DPRESENT_PARAMETERS parameters = {};
    ResetToDefaults(parameters, 0);
}

D3DMATRIX DeviceState::Identity() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

D3DLIGHT8 DeviceState::DefaultLight() {
    D3DLIGHT8 light = {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    light.Direction = {0.0f, 0.0f, 1.0f};
    return light;
}

void DeviceState::ResetToDefaults(const D3DPRESENT_PARAMETERS& parameters, DWORD behaviorFlags) {
    std::memset(m_dwRenderState, 0, sizeof(m_dwRenderState));
    DWORD* rs = m_dwRenderState;
    rs[D3DRS_ZENABLE] = parameters.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs[D3DRS_ZWRITEENABLE] = TRUE;
    rs[D3DRS_LASTPIXEL] = TRUE;
    rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_FOGSTART] = FloatBits(0.0f);
    rs[D3DRS_FOGEND] = FloatBits(1.0f);
    rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs[D3DRS_CLIPPING] = TRUE;
    rs[D3DRS_LIGHTING] = TRUE;
    rs[D3DRS_FOGVERTEXMODE] = D3DFOG_NONE;
    rs[D3DRS_COLORVERTEX] = TRUE;
    rs[D3DRS_LOCALVIEWER] = TRUE;
    rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    rs[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    rs[D3DRS_SOFTWAREVERTEXPROCESSING] = (behaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) != 0 ? TRUE : FALSE;
    rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs[D3DRS_POINTSIZE_MIN] = FloatBits(0.0f);
    rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs[D3DRS_POINTSCALE_B] = FloatBits(0.0f);
    rs[D3DRS_POINTSCALE_C] = FloatBits(0.0f);
    rs[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
    rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFFu;
    rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
    rs[D3DRS_DEBUGMONITORTOKEN] = D3DDMT_ENABLE;
    rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs[D3DRS_COLORWRITEENABLE] = 0x0000000Fu;
    rs[D3DRS_TWEENFACTOR] = FloatBits(0.0f);
    rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs[D3DRS_POSITIONORDER] = D3DORDER_CUBIC;
    rs[D3DRS_NORMALORDER] = D3DORDER_LINEAR;

    for (DWORD stage = 0; stage < kStageCount; ++stage) {
        DWORD* ss = m_dwStageState[stage];
        std::memset(ss, 0, sizeof(m_dwStageState[stage]));
        ss[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        ss[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        ss[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        ss[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        ss[D3DTSS_TEXCOORDINDEX] = stage;
        ss[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        ss[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
        ss[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        ss[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        ss[D3DTSS_MAXANISOTROPY] = 1;
        ss[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
        ss[D3DTSS_COLORARG0] = D3DTA_CURRENT;
        ss[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
        ss[D3DTSS_RESULTARG] = D3DTA_CURRENT;
        m_pTexture[stage] = nullptr;
        m_matTexture[stage] = Identity();
    }

    m_matView = Identity();
    m_matProjection = Identity();
    for (D3DMATRIX& world : m_matWorld) {
        world = Identity();
    }
    m_dwPaletteInUse = 1;
    m_material = {};
    for (DWORD i = 0; i < kLightCount; ++i) {
        m_light[i] = DefaultLight();
        m_bLightDefined[i] = false;
        m_bLightEnabled[i] = false;
    }
    m_viewport = {0, 0, parameters.BackBufferWidth, parameters.BackBufferHeight, 0.0f, 1.0f};
    m_pStream = nullptr;
    m_uStreamStride = 0;
    m_pIndices = nullptr;
    m_uBaseVertexIndex = 0;
    m_dwVertexShader = 0;
    m_dwPixelShader = 0;
    m_dwDirty = DIRTY_ALL;
}

bool DeviceState::IsValidTransform(D3DTRANSFORMSTATETYPE state) {
    const DWORD value = state;
    return value == D3DTS_VIEW || value == D3DTS_PROJECTION || (value >= D3DTS_TEXTURE0 && value <= D3DTS_TEXTURE7) ||
           (value >= D3DTS_WORLD && value < D3DTS_WORLD + kPaletteSize);
}

float DeviceState::RenderStateFloat(D3DRENDERSTATETYPE state) const {
    float value = 0.0f;
    const DWORD bits = RenderState(state);
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

void DeviceState::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    m_dwRenderState[state % kRenderStateCount] = value;
    m_dwDirty |= DIRTY_RENDER_STATES;
}

void DeviceState::SetStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    m_dwStageState[stage % kStageCount][type % kStageStateCount] = value;
    m_dwDirty |= DIRTY_STAGE_STATES;
}

void DeviceState::SetTexture(DWORD stage, CoreTexture* texture) {
    m_pTexture[stage % kStageCount] = texture;
    m_dwDirty |= DIRTY_TEXTURES;
}

const D3DMATRIX& DeviceState::Transform(D3DTRANSFORMSTATETYPE state) const {
    const DWORD value = state;
    if (value == D3DTS_VIEW) {
        return m_matView;
    }
    if (value == D3DTS_PROJECTION) {
        return m_matProjection;
    }
    if (value >= D3DTS_TEXTURE0 && value <= D3DTS_TEXTURE7) {
        return m_matTexture[value - D3DTS_TEXTURE0];
    }
    return m_matWorld[(value - D3DTS_WORLD) % kPaletteSize];
}

void DeviceState::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX& matrix) {
    const DWORD value = state;
    if (value == D3DTS_VIEW) {
        m_matView = matrix;
        m_dwDirty |= DIRTY_VIEW;
    } else if (value == D3DTS_PROJECTION) {
        m_matProjection = matrix;
        m_dwDirty |= DIRTY_PROJECTION;
    } else if (value >= D3DTS_TEXTURE0 && value <= D3DTS_TEXTURE7) {
        m_matTexture[value - D3DTS_TEXTURE0] = matrix;
        m_dwDirty |= DIRTY_TEXTURE_TRANSFORMS;
    } else if (value >= D3DTS_WORLD && value < D3DTS_WORLD + kPaletteSize) {
        const DWORD index = value - D3DTS_WORLD;
        m_matWorld[index] = matrix;
        if (index + 1 > m_dwPaletteInUse) {
            m_dwPaletteInUse = index + 1;
        }
        m_dwDirty |= index == 0 ? DIRTY_WORLD : DIRTY_PALETTE;
    }
}

void DeviceState::SetMaterial(const D3DMATERIAL8& material) {
    m_material = material;
    m_dwDirty |= DIRTY_MATERIAL;
}

void DeviceState::SetLight(DWORD index, const D3DLIGHT8& light) {
    m_light[index % kLightCount] = light;
    m_bLightDefined[index % kLightCount] = true;
    m_dwDirty |= DIRTY_LIGHTS;
}

void DeviceState::EnableLight(DWORD index, bool enable) {
    const DWORD slot = index % kLightCount;
    if (enable && !m_bLightDefined[slot]) {
        m_light[slot] = DefaultLight();
        m_bLightDefined[slot] = true;
    }
    m_bLightEnabled[slot] = enable;
    m_dwDirty |= DIRTY_LIGHTS;
}

void DeviceState::SetViewport(const D3DVIEWPORT8& viewport) {
    m_viewport = viewport;
    m_dwDirty |= DIRTY_VIEWPORT;
}

void DeviceState::SetStreamSource(CoreVertexBuffer* buffer, UINT stride) {
    m_pStream = buffer;
    m_uStreamStride = stride;
    m_dwDirty |= DIRTY_STREAM;
}

void DeviceState::SetIndices(CoreIndexBuffer* buffer, UINT baseVertexIndex) {
    m_pIndices = buffer;
    m_uBaseVertexIndex = baseVertexIndex;
    m_dwDirty |= DIRTY_INDICES;
}

void DeviceState::SetVertexShader(DWORD handle) {
    m_dwVertexShader = handle;
    m_dwDirty |= DIRTY_VERTEX_SHADER;
}

void DeviceState::SetPixelShader(DWORD handle) {
    m_dwPixelShader = handle;
    m_dwDirty |= DIRTY_PIXEL_SHADER;
}
