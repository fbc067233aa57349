#include "scene/MeshDammy.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ModelFiles.h"
#include "scene/Model.h"
#include "scene/TexList.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

class MeshDammyTest : public RecordingDeviceTest {
protected:
    void TearDown() override {
        m_model.Release();
        RecordingDeviceTest::TearDown();
    }
    // The unit cube as the model's only dummy mesh.
    MeshDammy* LoadCube(const std::vector<std::string>& textures = {}) {
        WriteModel(m_cwd, "cube.x",
                   BoxMesh("cube_display", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1)) +
                       BoxMesh("cube_dammy", D3DXVECTOR3(-1, -1, -1), D3DXVECTOR3(1, 1, 1), textures));
        EXPECT_EQ(m_model.Load(m_pDevice, "cube.x"), S_OK);
        return m_model.DammyAt(0);
    }
    static void ExpectNear(const D3DXVECTOR3& v, float x, float y, float z) {
        EXPECT_NEAR(v.x, x, 1e-5f);
        EXPECT_NEAR(v.y, y, 1e-5f);
        EXPECT_NEAR(v.z, z, 1e-5f);
    }

    ScopedTempCwd m_cwd;
    // With a texture list at hand, so that only the dummy mesh itself keeps textures away.
    TexList m_texList;
    Model m_model{&m_texList};
};

TEST_F(MeshDammyTest, UnitCubeCornersFollowTheBoxLayoutAndItsMaterialsLoadNoTexture) {
    WriteTexture(m_cwd.Path(), "skin.dds");
    MeshDammy* pCube = LoadCube({"skin.dds"});
    ASSERT_NE(pCube, nullptr);
    ASSERT_NE(pCube->Mesh(), nullptr);
    EXPECT_EQ(pCube->Mesh()->GetFVF(), MeshDammy::kMeshFvf);
    for (DWORD k = 0; k < 8; ++k) {
        ExpectNear(pCube->LocalCorner(k), (k & 1) ? 1.0f : -1.0f, (k & 2) ? 1.0f : -1.0f, (k & 4) ? 1.0f : -1.0f);
    }
    ExpectNear(pCube->LocalCentre(), 0, 0, 0);
    EXPECT_NEAR(pCube->LocalRadius(), std::sqrt(3.0f), 1e-5f);
    EXPECT_EQ(m_pLog->CountCalls("CreateTexture"), 0u);
    EXPECT_EQ(m_texList.EntryCount(), 0u);
}

TEST_F(MeshDammyTest, WorldPlanesFaceIntoTheBox) {
    MeshDammy* pCube = LoadCube();
    ASSERT_NE(pCube, nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    pCube->UpdateBounds(identity);
    // Plane 0 is z = -1 with its normal along +z.
    const D3DXPLANE& front = pCube->WorldPlane(0);
    EXPECT_NEAR(front.a, 0.0f, 1e-6f);
    EXPECT_NEAR(front.b, 0.0f, 1e-6f);
    EXPECT_NEAR(front.c, 1.0f, 1e-6f);
    EXPECT_NEAR(front.d, 1.0f, 1e-6f);
    // Each plane's outward neighbour point is outside it, the origin inside all.
    const D3DXVECTOR3 beyond[6] = {{0, 0, -2}, {0, 0, 2}, {-2, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, -2, 0}};
    const D3DXVECTOR3 origin(0, 0, 0);
    for (int p = 0; p < 6; ++p) {
        EXPECT_GT(D3DXPlaneDotCoord(&pCube->WorldPlane(p), &origin), 0.0f) << "plane " << p;
        EXPECT_LT(D3DXPlaneDotCoord(&pCube->WorldPlane(p), &beyond[p]), 0.0f) << "plane " << p;
    }

    // Turned and moved, the box still holds its own centre inside every plane.
    D3DXMATRIX turn;
    D3DXMATRIX move;
    D3DXMATRIX world;
    D3DXMatrixRotationY(&turn, 0.7f);
    D3DXMatrixTranslation(&move, 10.0f, -4.0f, 3.0f);
    D3DXMatrixMultiply(&world, &turn, &move);
    pCube->UpdateBounds(world);
    ExpectNear(pCube->WorldCentre(), 10.0f, -4.0f, 3.0f);
    for (int p = 0; p < 6; ++p) {
        EXPECT_GT(D3DXPlaneDotCoord(&pCube->WorldPlane(p), &pCube->WorldCentre()), 0.0f) << "plane " << p;
    }

    // Scaling moves the corners but leaves the radius alone.
    D3DXMatrixScaling(&world, 2.0f, 2.0f, 2.0f);
    pCube->UpdateBounds(world);
    ExpectNear(pCube->WorldCorner(0), -2, -2, -2);
    ExpectNear(pCube->WorldCorner(7), 2, 2, 2);
    EXPECT_NEAR(pCube->WorldRadius(), std::sqrt(3.0f), 1e-5f);
}

}  // namespace
