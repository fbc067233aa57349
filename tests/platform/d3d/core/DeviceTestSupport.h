// Shared set-up for device tests: presentation parameters and a recording
// device that is released at the end of the test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "platform/d3d/D3D8.h"
#include "platform/d3d/record/RecordLog.h"
#include "platform/d3d/record/RecordingDevice.h"
#include "support/PresentParameters.h"

inline D3DMATRIX MakeMatrix(float base) {
    D3DMATRIX m = {};
    for (int i = 0; i < 16; ++i) {
        m.m[i / 4][i % 4] = base + static_cast<float>(i);
    }
    return m;
}

inline bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
    for (int i = 0; i < 16; ++i) {
        if (a.m[i / 4][i % 4] != b.m[i / 4][i % 4]) {
            return false;
        }
    }
    return true;
}

inline DWORD FloatBits(float value) {
    DWORD bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

class RecordingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { Create(WindowedParameters()); }
    void TearDown() override {
        if (m_pDevice != nullptr) {
            m_pDevice->Release();
        }
    }

    void Create(D3DPRESENT_PARAMETERS parameters) {
        if (m_pDevice != nullptr) {
            m_pDevice->Release();
            m_pDevice = nullptr;
        }
        ASSERT_EQ(D3D_OK, CreateRecordingDevice(&parameters, nullptr, &m_pDevice, &m_pLog));
    }

    DWORD RenderState(D3DRENDERSTATETYPE state) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, m_pDevice->GetRenderState(state, &value));
        return value;
    }

    DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) {
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(D3D_OK, m_pDevice->GetTextureStageState(stage, type, &value));
        return value;
    }

    IDirect3DTexture8* MakeTexture(UINT size = 8, D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DTexture8* texture = nullptr;
        EXPECT_EQ(D3D_OK, m_pDevice->CreateTexture(size, size, 1, 0, D3DFMT_A8R8G8B8, pool, &texture));
        return texture;
    }

    // A managed vertex buffer of `count` vertices in FVF 0x142, stream 0 set.
    IDirect3DVertexBuffer8* MakeStream(UINT count, D3DPOOL pool = D3DPOOL_MANAGED) {
        IDirect3DVertexBuffer8* buffer = nullptr;
        EXPECT_EQ(D3D_OK, m_pDevice->CreateVertexBuffer(count * 24, D3DUSAGE_WRITEONLY, 0x142, pool, &buffer));
        EXPECT_EQ(D3D_OK, m_pDevice->SetStreamSource(0, buffer, 24));
        EXPECT_EQ(D3D_OK, m_pDevice->SetVertexShader(0x142));
        return buffer;
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    RecordLog* m_pLog = nullptr;
};
