// A recording device per test; at the end the device must go away with its
// last reference, so a mesh or texture that leaks a device reference fails.
#pragma once

#include <gtest/gtest.h>

#include "platform/d3d/record/RecordingDevice.h"

class RecordingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        D3DPRESENT_PARAMETERS parameters{};
        parameters.Windowed = TRUE;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        ASSERT_EQ(CreateRecordingDevice(&parameters, nullptr, &m_pDevice, &m_pLog), D3D_OK);
    }
    void TearDown() override {
        if (m_pDevice != nullptr) {
            EXPECT_EQ(m_pDevice->Release(), 0u) << "something still holds the device";
        }
    }

    IDirect3DDevice8* m_pDevice = nullptr;
    RecordLog* m_pLog = nullptr;
};
