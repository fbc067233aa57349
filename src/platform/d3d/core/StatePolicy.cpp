#include "platform/d3d/core/StatePolicy.h"

#include <iterator>

namespace {

struct PolicyEntry {
    DWORD m_dwValue;
    const char* m_szName;
    StatePolicy m_policy;
};

constexpr StatePolicy kImpl = StatePolicy::Implemented;
constexpr StatePolicy kSame = StatePolicy::NoVisibleEffect;
constexpr StatePolicy kStored = StatePolicy::StoredOnly;

#define VELMORAN_RS(name, policy) \
    { name, #name, policy }

// Clip planes cannot be given (no SetClipPlane), and a zero plane keeps every
// point, so enabling one changes nothing. Clipping off only promises the
// geometry is inside; software vertex processing draws the same pictures.
constexpr PolicyEntry kRenderStates[] = {
    VELMORAN_RS(D3DRS_ZENABLE, kImpl),
    VELMORAN_RS(D3DRS_FILLMODE, kImpl),
    VELMORAN_RS(D3DRS_SHADEMODE, kImpl),
    VELMORAN_RS(D3DRS_LINEPATTERN, kStored),
    VELMORAN_RS(D3DRS_ZWRITEENABLE, kImpl),
    VELMORAN_RS(D3DRS_ALPHATESTENABLE, kImpl),
    VELMORAN_RS(D3DRS_LASTPIXEL, kStored),
    VELMORAN_RS(D3DRS_SRCBLEND, kImpl),
    VELMORAN_RS(D3DRS_DESTBLEND, kImpl),
    VELMORAN_RS(D3DRS_CULLMODE, kImpl),
    VELMORAN_RS(D3DRS_ZFUNC, kImpl),
    VELMORAN_RS(D3DRS_ALPHAREF, kImpl),
    VELMORAN_RS(D3DRS_ALPHAFUNC, kImpl),
    VELMORAN_RS(D3DRS_DITHERENABLE, kImpl),
    VELMORAN_RS(D3DRS_ALPHABLENDENABLE, kImpl),
    VELMORAN_RS(D3DRS_FOGENABLE, kImpl),
    VELMORAN_RS(D3DRS_SPECULARENABLE, kImpl),
    VELMORAN_RS(D3DRS_ZVISIBLE, kStored),
    VELMORAN_RS(D3DRS_FOGCOLOR, kImpl),
    VELMORAN_RS(D3DRS_FOGTABLEMODE, kStored),
    VELMORAN_RS(D3DRS_FOGSTART, kImpl),
    VELMORAN_RS(D3DRS_FOGEND, kImpl),
    VELMORAN_RS(D3DRS_FOGDENSITY, kStored),
    VELMORAN_RS(D3DRS_EDGEANTIALIAS, kImpl),
    VELMORAN_RS(D3DRS_ZBIAS, kStored),
    VELMORAN_RS(D3DRS_RANGEFOGENABLE, kStored),
    VELMORAN_RS(D3DRS_STENCILENABLE, kImpl),
    VELMORAN_RS(D3DRS_STENCILFAIL, kImpl),
    VELMORAN_RS(D3DRS_STENCILZFAIL, kImpl),
    VELMORAN_RS(D3DRS_STENCILPASS, kImpl),
    VELMORAN_RS(D3DRS_STENCILFUNC, kImpl),
    VELMORAN_RS(D3DRS_STENCILREF, kImpl),
    VELMORAN_RS(D3DRS_STENCILMASK, kImpl),
    VELMORAN_RS(D3DRS_STENCILWRITEMASK, kImpl),
    VELMORAN_RS(D3DRS_TEXTUREFACTOR, kStored),
    VELMORAN_RS(D3DRS_WRAP0, kStored),
    VELMORAN_RS(D3DRS_WRAP1, kStored),
    VELMORAN_RS(D3DRS_WRAP2, kStored),
    VELMORAN_RS(D3DRS_WRAP3, kStored),
    VELMORAN_RS(D3DRS_WRAP4, kStored),
    VELMORAN_RS(D3DRS_WRAP5, kStored),
    VELMORAN_RS(D3DRS_WRAP6, kStored),
    VELMORAN_RS(D3DRS_WRAP7, kStored),
    VELMORAN_RS(D3DRS_CLIPPING, kSame),
    VELMORAN_RS(D3DRS_LIGHTING, kImpl),
    VELMORAN_RS(D3DRS_AMBIENT, kImpl),
    VELMORAN_RS(D3DRS_FOGVERTEXMODE, kImpl),
    VELMORAN_RS(D3DRS_COLORVERTEX, kImpl),
    VELMORAN_RS(D3DRS_LOCALVIEWER, kStored),
    VELMORAN_RS(D3DRS_NORMALIZENORMALS, kImpl),
    VELMORAN_RS(D3DRS_DIFFUSEMATERIALSOURCE, kImpl),
    VELMORAN_RS(D3DRS_SPECULARMATERIALSOURCE, kImpl),
    VELMORAN_RS(D3DRS_AMBIENTMATERIALSOURCE, kImpl),
    VELMORAN_RS(D3DRS_EMISSIVEMATERIALSOURCE, kImpl),
    VELMORAN_RS(D3DRS_VERTEXBLEND, kImpl),
    VELMORAN_RS(D3DRS_CLIPPLANEENABLE, kSame),
    VELMORAN_RS(D3DRS_SOFTWAREVERTEXPROCESSING, kSame),
    VELMORAN_RS(D3DRS_POINTSIZE, kStored),
    VELMORAN_RS(D3DRS_POINTSIZE_MIN, kStored),
    VELMORAN_RS(D3DRS_POINTSPRITEENABLE, kStored),
    VELMORAN_RS(D3DRS_POINTSCALEENABLE, kStored),
    VELMORAN_RS(D3DRS_POINTSCALE_A, kStored),
    VELMORAN_RS(D3DRS_POINTSCALE_B, kStored),
    VELMORAN_RS(D3DRS_POINTSCALE_C, kStored),
    VELMORAN_RS(D3DRS_MULTISAMPLEANTIALIAS, kImpl),
    VELMORAN_RS(D3DRS_MULTISAMPLEMASK, kStored),
    VELMORAN_RS(D3DRS_PATCHEDGESTYLE, kStored),
    VELMORAN_RS(D3DRS_PATCHSEGMENTS, kStored),
    VELMORAN_RS(D3DRS_DEBUGMONITORTOKEN, kSame),
    VELMORAN_RS(D3DRS_POINTSIZE_MAX, kStored),
    VELMORAN_RS(D3DRS_INDEXEDVERTEXBLENDENABLE, kImpl),
    VELMORAN_RS(D3DRS_COLORWRITEENABLE, kImpl),
    VELMORAN_RS(D3DRS_TWEENFACTOR, kStored),
    VELMORAN_RS(D3DRS_BLENDOP, kImpl),
    VELMORAN_RS(D3DRS_POSITIONORDER, kStored),
    VELMORAN_RS(D3DRS_NORMALORDER, kStored),
};

constexpr PolicyEntry kStageStates[] = {
    VELMORAN_RS(D3DTSS_COLOROP, kImpl),
    VELMORAN_RS(D3DTSS_COLORARG1, kImpl),
    VELMORAN_RS(D3DTSS_COLORARG2, kImpl),
    VELMORAN_RS(D3DTSS_ALPHAOP, kImpl),
    VELMORAN_RS(D3DTSS_ALPHAARG1, kImpl),
    VELMORAN_RS(D3DTSS_ALPHAARG2, kImpl),
    VELMORAN_RS(D3DTSS_BUMPENVMAT00, kStored),
    VELMORAN_RS(D3DTSS_BUMPENVMAT01, kStored),
    VELMORAN_RS(D3DTSS_BUMPENVMAT10, kStored),
    VELMORAN_RS(D3DTSS_BUMPENVMAT11, kStored),
    VELMORAN_RS(D3DTSS_TEXCOORDINDEX, kImpl),
    VELMORAN_RS(D3DTSS_ADDRESSU, kImpl),
    VELMORAN_RS(D3DTSS_ADDRESSV, kImpl),
    VELMORAN_RS(D3DTSS_BORDERCOLOR, kStored),
    VELMORAN_RS(D3DTSS_MAGFILTER, kImpl),
    VELMORAN_RS(D3DTSS_MINFILTER, kImpl),
    VELMORAN_RS(D3DTSS_MIPFILTER, kImpl),
    VELMORAN_RS(D3DTSS_MIPMAPLODBIAS, kStored),
    VELMORAN_RS(D3DTSS_MAXMIPLEVEL, kStored),
    VELMORAN_RS(D3DTSS_MAXANISOTROPY, kStored),
    VELMORAN_RS(D3DTSS_BUMPENVLSCALE, kStored),
    VELMORAN_RS(D3DTSS_BUMPENVLOFFSET, kStored),
    VELMORAN_RS(D3DTSS_TEXTURETRANSFORMFLAGS, kImpl),
    VELMORAN_RS(D3DTSS_ADDRESSW, kStored),
    VELMORAN_RS(D3DTSS_COLORARG0, kStored),
    VELMORAN_RS(D3DTSS_ALPHAARG0, kStored),
    VELMORAN_RS(D3DTSS_RESULTARG, kStored),
};

#undef VELMORAN_RS

// Index of each state's entry by value, built once, so lookups on every
// Set call cost one array read.
template <size_t N, DWORD Slots>
struct PolicyIndex {
    explicit PolicyIndex(const PolicyEntry (&table)[N]) {
        for (DWORD slot = 0; slot < Slots; ++slot) {
            m_pEntry[slot] = nullptr;
        }
        for (const PolicyEntry& entry : table) {
            m_pEntry[entry.m_dwValue] = &entry;
        }
    }
    const PolicyEntry* Find(DWORD value) const { return value < Slots ? m_pEntry[value] : nullptr; }
    const PolicyEntry* m_pEntry[Slots];
};

const PolicyEntry* FindRenderState(DWORD value) {
    static const PolicyIndex<std::size(kRenderStates), 256> index(kRenderStates);
    return index.Find(value);
}

const PolicyEntry* FindStageState(DWORD value) {
    static const PolicyIndex<std::size(kStageStates), 32> index(kStageStates);
    return index.Find(value);
}

}  // namespace

StatePolicy StatePolicyTable::ForRenderState(DWORD state) {
    const PolicyEntry* entry = FindRenderState(state);
    return entry != nullptr ? entry->m_policy : StatePolicy::Unknown;
}

StatePolicy StatePolicyTable::ForStageState(DWORD type) {
    const PolicyEntry* entry = FindStageState(type);
    return entry != nullptr ? entry->m_policy : StatePolicy::Unknown;
}

const char* StatePolicyTable::RenderStateName(DWORD state) {
    const PolicyEntry* entry = FindRenderState(state);
    return entry != nullptr ? entry->m_szName : nullptr;
}

const char* StatePolicyTable::StageStateName(DWORD type) {
    const PolicyEntry* entry = FindStageState(type);
    return entry != nullptr ? entry->m_szName : nullptr;
}
