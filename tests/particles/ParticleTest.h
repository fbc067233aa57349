// A recording device and one effect built in a fresh current folder. The
// device lets go of the effect's texture and buffer before the effect does.
#pragma once

#include <string>

#include "ParticleMedia.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"

template <class Effect>
class ParticleTest : public RecordingDeviceTest {
protected:
    void TearDown() override {
        m_pDevice->SetTexture(0, nullptr);
        m_pDevice->SetStreamSource(0, nullptr, 0);
        m_effect.Invalidate();
        RecordingDeviceTest::TearDown();
    }
    void LoadWithTexture(const char* szTexture) {
        WriteParticleTexture(m_cwd, szTexture);
        ASSERT_EQ(m_effect.Load(m_pDevice), S_OK);
    }
    // Without its texture the load fails, reports both steps with their module
    // and line, and makes nothing; with it, a buffer of `bytes` is made.
    void ExpectLoadOnlyWithTexture(const char* szTexture, const std::string& szLoading, const std::string& szFailed,
                                   UINT bytes) {
        {
            DebugCapture debug;
            MessageBoxCapture boxes;
            EXPECT_EQ(m_effect.Load(m_pDevice), E_FAIL);
            const std::string path = "..." + m_cwd.Path() + "/Texture/" + szTexture;
            EXPECT_TRUE(debug.Contains(szLoading + path)) << debug.All();
            EXPECT_TRUE(debug.Contains(szFailed + path)) << debug.All();
            EXPECT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_EQ(m_effect.Texture(), nullptr);
            EXPECT_EQ(m_effect.VertexBuffer(), nullptr);
        }
        LoadWithTexture(szTexture);
        ASSERT_NE(m_effect.Texture(), nullptr);
        ASSERT_NE(m_effect.VertexBuffer(), nullptr);
        D3DVERTEXBUFFER_DESC desc{};
        m_effect.VertexBuffer()->GetDesc(&desc);
        EXPECT_EQ(desc.Size, bytes);
    }
    DWORD State(D3DRENDERSTATETYPE state) {
        DWORD value = 0;
        m_pDevice->GetRenderState(state, &value);
        return value;
    }

    ScopedTempCwd m_cwd;  // before the effect: it takes the directory when built
    Effect m_effect;
};
