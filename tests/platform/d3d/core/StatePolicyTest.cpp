#include "platform/d3d/core/StatePolicy.h"

#include <gtest/gtest.h>

#include "platform/d3d/core/DeviceCore.h"
#include "platform/d3d/core/DeviceTestSupport.h"

TEST(StatePolicyTest, EveryStateTheProgramSetsIsImplemented) {
    // Render and stage states the clock, its overlay, font, particles and
    // skinned bird set: blending, lighting and fog, then depth, rasterising
    // and skinning.
    const auto handled = [](D3DRENDERSTATETYPE state) {
        const StatePolicy policy = StatePolicyTable::ForRenderState(state);
        EXPECT_TRUE(policy == StatePolicy::Implemented || policy == StatePolicy::NoVisibleEffect)
            << StatePolicyTable::RenderStateName(state);
    };
    for (D3DRENDERSTATETYPE state :
         {D3DRS_ALPHABLENDENABLE, D3DRS_ALPHAFUNC, D3DRS_ALPHAREF, D3DRS_ALPHATESTENABLE, D3DRS_SRCBLEND,
          D3DRS_DESTBLEND, D3DRS_AMBIENT, D3DRS_COLORVERTEX, D3DRS_LIGHTING, D3DRS_NORMALIZENORMALS,
          D3DRS_SPECULARENABLE, D3DRS_FOGCOLOR, D3DRS_FOGENABLE, D3DRS_FOGEND, D3DRS_FOGSTART, D3DRS_FOGVERTEXMODE}) {
        handled(state);
    }
    for (D3DRENDERSTATETYPE state :
         {D3DRS_ZENABLE, D3DRS_ZWRITEENABLE, D3DRS_STENCILENABLE, D3DRS_CLIPPING, D3DRS_CLIPPLANEENABLE, D3DRS_CULLMODE,
          D3DRS_DITHERENABLE, D3DRS_EDGEANTIALIAS, D3DRS_FILLMODE, D3DRS_MULTISAMPLEANTIALIAS, D3DRS_SHADEMODE,
          D3DRS_INDEXEDVERTEXBLENDENABLE, D3DRS_SOFTWAREVERTEXPROCESSING, D3DRS_VERTEXBLEND}) {
        handled(state);
    }
    for (D3DTEXTURESTAGESTATETYPE type :
         {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2,
          D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_MIPFILTER, D3DTSS_TEXCOORDINDEX, D3DTSS_TEXTURETRANSFORMFLAGS}) {
        EXPECT_EQ(StatePolicy::Implemented, StatePolicyTable::ForStageState(type))
            << StatePolicyTable::StageStateName(type);
    }
    // States whose value changes the picture are never merely without effect.
    for (D3DRENDERSTATETYPE state : {D3DRS_FOGENABLE, D3DRS_LIGHTING, D3DRS_VERTEXBLEND, D3DRS_ALPHATESTENABLE}) {
        EXPECT_EQ(StatePolicy::Implemented, StatePolicyTable::ForRenderState(state));
    }
}

TEST(StatePolicyTest, NamesMatchTheirValues) {
    EXPECT_STREQ("D3DRS_FOGENABLE", StatePolicyTable::RenderStateName(28));
    EXPECT_STREQ("D3DRS_INDEXEDVERTEXBLENDENABLE", StatePolicyTable::RenderStateName(167));
    EXPECT_STREQ("D3DTSS_TEXTURETRANSFORMFLAGS", StatePolicyTable::StageStateName(24));
    EXPECT_EQ(nullptr, StatePolicyTable::RenderStateName(2));
    EXPECT_EQ(nullptr, StatePolicyTable::StageStateName(12));
    EXPECT_EQ(StatePolicy::Unknown, StatePolicyTable::ForRenderState(100000));
    EXPECT_EQ(StatePolicy::Unknown, StatePolicyTable::ForStageState(100000));
}

using StatePolicyDeviceTest = RecordingDeviceTest;

// Known states store what they are given; unknown ones are refused both ways
// and leave the stored block (which has slots for some of them) untouched.
TEST_F(StatePolicyDeviceTest, TheDeviceAcceptsExactlyTheStatesInTheTable) {
    const DeviceState before = static_cast<DeviceCore*>(m_pDevice)->State();
    for (DWORD state = 0; state < 300; ++state) {
        const auto rs = static_cast<D3DRENDERSTATETYPE>(state);
        const bool known = StatePolicyTable::ForRenderState(state) != StatePolicy::Unknown;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->SetRenderState(rs, 0x5A5A0000u + state)) << state;
        DWORD value = 0;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->GetRenderState(rs, &value)) << state;
        if (known) {
            EXPECT_EQ(0x5A5A0000u + state, value) << state;
        } else if (state < DeviceState::kRenderStateCount) {
            EXPECT_EQ(before.RenderState(rs), static_cast<DeviceCore*>(m_pDevice)->State().RenderState(rs)) << state;
        }
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetRenderState(static_cast<D3DRENDERSTATETYPE>(1000), 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->GetRenderState(D3DRS_LIGHTING, nullptr));
    for (DWORD type = 0; type <= 40; ++type) {
        const auto tss = static_cast<D3DTEXTURESTAGESTATETYPE>(type);
        const bool known = StatePolicyTable::ForStageState(type) != StatePolicy::Unknown;
        EXPECT_EQ(known ? D3D_OK : D3DERR_INVALIDCALL, m_pDevice->SetTextureStageState(7, tss, 0xA0 + type)) << type;
        if (known) {
            EXPECT_EQ(0xA0 + type, StageState(7, tss));
        }
    }
    EXPECT_EQ(D3DERR_INVALIDCALL, m_pDevice->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_ADD));
    EXPECT_EQ(static_cast<DWORD>(D3DTOP_MODULATE), StageState(0, D3DTSS_COLOROP));
}
