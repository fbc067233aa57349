#include "scene/MeshDisplay.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ModelFiles.h"
#include "scene/Camera.h"
#include "scene/Model.h"
#include "scene/TexList.h"
#include "support/Capture.h"
#include "support/RecordingDeviceTest.h"
#include "support/TempDir.h"

namespace {

const D3DXVECTOR3 kLo(-1.0f, -1.0f, -1.0f);
const D3DXVECTOR3 kHi(1.0f, 1.0f, 1.0f);
const D3DXVECTOR3 kInView(0.0f, 0.0f, 50.0f);

D3DXMATRIX Placed(float sx, float sy, float sz, const D3DXVECTOR3& at) {
    D3DXMATRIX scale;
    D3DXMATRIX move;
    D3DXMATRIX world;
    D3DXMatrixScaling(&scale, sx, sy, sz);
    D3DXMatrixTranslation(&move, at.x, at.y, at.z);
    return *D3DXMatrixMultiply(&world, &scale, &move);
}

class MeshDisplayTest : public RecordingDeviceTest {
protected:
    void SetUp() override {
        RecordingDeviceTest::SetUp();
        // The identity camera looks along +z: near 1, far 100, 45 degrees both ways.
        m_camera.SetProjection(m_pDevice, 1.0f, 1.0f, 100.0f);
        m_camera.BuildFrustum();
        m_pQueue = new DrawQueue;
    }
    void TearDown() override {
        delete m_pQueue;
        m_model.Release();
        RecordingDeviceTest::TearDown();
    }

    // Loads the body (display meshes paired with dummies) and returns display mesh 0.
    MeshDisplay* Load(const std::string& displays, DWORD count = 1) {
        std::string body = displays;
        for (DWORD i = 0; i < count; ++i) {
            body += BoxMesh("pair" + std::to_string(i) + "_dammy", kLo, kHi);
        }
        WriteModel(m_cwd, "m.x", body);
        EXPECT_EQ(m_model.Load(m_pDevice, "m.x"), S_OK);
        return m_model.DisplayAt(0);
    }

    // Submits at `distance` from the camera; the mesh itself stays in view.
    const DrawQueue::DrawEntry* SubmitAt(MeshDisplay* pMesh, float distance, int lod) {
        m_pQueue->Clear();
        pMesh->UpdateBounds(Placed(1, 1, 1, kInView));
        const D3DXVECTOR3 camera(0.0f, 0.0f, kInView.z - distance);
        EXPECT_EQ(
            pMesh->Submit(m_pDevice, &m_camera.Frustum(), camera, kInView, lod, Placed(1, 1, 1, kInView), m_pQueue),
            S_OK);
        return m_pQueue->Count() == 1 ? &m_pQueue->EntryAt(0) : nullptr;
    }

    // Planes of the frustum that p lies outside of, one bit each.
    DWORD OutsideMask(const D3DXVECTOR3& p) const {
        DWORD mask = 0;
        for (int i = 0; i < 6; ++i) {
            if (D3DXPlaneDotCoord(&m_camera.Frustum().m_planes[i], &p) < 0.0f) {
                mask |= 1u << i;
            }
        }
        return mask;
    }

    ScopedTempCwd m_cwd;
    Camera m_camera;
    TexList m_texList;
    Model m_model{&m_texList};
    DrawQueue* m_pQueue = nullptr;
};

TEST_F(MeshDisplayTest, LevelsCutTheVertexRangeIntoTenBandsAndDistanceChoosesAmongTheFourFinest) {
    MeshDisplay* pMesh = Load(SphereMesh("ball_display", 1.0f, 10, 16));
    ASSERT_NE(pMesh, nullptr);
    ASSERT_NE(pMesh->Full(), nullptr);
    EXPECT_EQ(pMesh->Mesh()->GetFVF(), MeshDammy::kMeshFvf);
    const DWORD vmin = pMesh->Full()->GetMinVertices();
    const DWORD vmax = pMesh->Full()->GetMaxVertices();
    ASSERT_GE(vmax - vmin, 100u) << "the sphere should simplify far";
    const DWORD count = pMesh->LevelCount();
    ASSERT_GE(count, 10u);
    EXPECT_LE(count, 11u);

    // The bands follow one another from the coarsest vertex count to the full one.
    EXPECT_EQ(pMesh->LevelAt(0)->GetMinVertices(), vmin);
    for (DWORD i = 0; i + 1 < count; ++i) {
        EXPECT_EQ(pMesh->LevelAt(i)->GetMaxVertices(), pMesh->LevelAt(i + 1)->GetMinVertices()) << "level " << i;
        EXPECT_LE(pMesh->LevelAt(i)->GetMaxVertices() - pMesh->LevelAt(i)->GetMinVertices(), (vmax - vmin) / 10);
    }
    EXPECT_EQ(pMesh->LevelAt(count - 1)->GetMaxVertices(), vmax);
    // The full mesh and the finest level draw every vertex; coarser ones fewer.
    EXPECT_EQ(pMesh->Full()->GetNumVertices(), vmax);
    EXPECT_EQ(pMesh->LevelAt(count - 1)->GetNumVertices(), vmax);
    EXPECT_LT(pMesh->LevelAt(count - 2)->GetNumVertices(), vmax);
    EXPECT_EQ(pMesh->CurrentLevel(), count - 1);

    // The distance chooses one of the four finest levels.
    const struct {
        float distance;
        DWORD back;
    } kCases[] = {{0.0f, 1}, {1000.0f, 1}, {1000.5f, 2}, {1500.0f, 2}, {2000.0f, 3}, {2001.0f, 4}, {90000.0f, 4}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.distance);
        const DrawQueue::DrawEntry* pEntry = SubmitAt(pMesh, c.distance, 1);
        ASSERT_NE(pEntry, nullptr);
        EXPECT_EQ(pMesh->CurrentLevel(), count - c.back);
        EXPECT_EQ(pEntry->m_pMesh, pMesh->LevelAt(count - c.back));
    }
    // Without levels of detail the full mesh is drawn at any distance.
    const DrawQueue::DrawEntry* pEntry = SubmitAt(pMesh, 2001.0f, 0);
    ASSERT_NE(pEntry, nullptr);
    EXPECT_EQ(pEntry->m_pMesh, pMesh->Full());
}

TEST_F(MeshDisplayTest, AMeshWithAShortRangeHasOneLevelWithItsWholeDetail) {
    MeshDisplay* pMesh = Load(SphereMesh("pebble_display", 1.0f, 3, 4));
    ASSERT_NE(pMesh, nullptr);
    const DWORD vmin = pMesh->Full()->GetMinVertices();
    const DWORD vmax = pMesh->Full()->GetMaxVertices();
    ASSERT_LT(vmin, vmax);
    ASSERT_LT(vmax - vmin, 10u);
    ASSERT_EQ(pMesh->LevelCount(), 1u);
    for (float distance : {10.0f, 1500.0f, 2001.0f}) {
        const DrawQueue::DrawEntry* pEntry = SubmitAt(pMesh, distance, 1);
        ASSERT_NE(pEntry, nullptr);
        EXPECT_EQ(pEntry->m_pMesh, pMesh->LevelAt(0));
        EXPECT_EQ(pMesh->LevelAt(0)->GetNumVertices(), vmax);
    }
}

TEST_F(MeshDisplayTest, CullTestTakesEveryPathToItsAnswer) {
    MeshDisplay* pMesh = Load(BoxMesh("unit_display", kLo, kHi));
    ASSERT_NE(pMesh, nullptr);
    enum Decided { CornerInside, OneCommonPlane, Later };
    const struct {
        const char* what;
        D3DXMATRIX world;
        Decided decided;
        HRESULT visible;
    } kCases[] = {
        {"in front", Placed(1, 1, 1, kInView), CornerInside, 1},
        {"behind the camera", Placed(1, 1, 1, D3DXVECTOR3(0, 0, -50)), OneCommonPlane, 0},
        {"beside the frustum", Placed(1, 1, 1, D3DXVECTOR3(60, 0, 50)), OneCommonPlane, 0},
        // Box edges cross the frustum's side faces.
        {"beam across", Placed(100, 1, 1, kInView), Later, 1},
        // Frustum edges pierce the box's front face.
        {"wall across", Placed(1000, 1000, 1, kInView), Later, 1},
        {"holding the frustum", Placed(500, 500, 500, D3DXVECTOR3(0, 0, 0)), Later, 1},
        // Beside the far right edge: each plane has a corner inside it, yet nothing meets.
        {"past the far corner", Placed(5, 1, 20, D3DXVECTOR3(55, 0, 110)), Later, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        pMesh->UpdateBounds(c.world);
        // The case really reaches the step it is meant for.
        DWORD common = 0x3F;
        bool anyInside = false;
        for (DWORD k = 0; k < 8; ++k) {
            const DWORD mask = OutsideMask(pMesh->WorldCorner(k));
            anyInside = anyInside || mask == 0;
            common &= mask;
        }
        EXPECT_EQ(anyInside, c.decided == CornerInside);
        EXPECT_EQ(!anyInside && common != 0, c.decided == OneCommonPlane);

        EXPECT_EQ(pMesh->IsVisible(m_pDevice, &m_camera.Frustum()), c.visible);
        m_pQueue->Clear();
        EXPECT_EQ(pMesh->Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), kInView, 1, c.world, m_pQueue),
                  S_OK);
        EXPECT_EQ(m_pQueue->Count(), static_cast<DWORD>(c.visible));
    }

    MeshDisplay unloaded;
    EXPECT_EQ(unloaded.IsVisible(m_pDevice, &m_camera.Frustum()), E_FAIL);
    EXPECT_EQ(unloaded.Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), kInView, 1,
                              Placed(1, 1, 1, kInView), m_pQueue),
              E_FAIL);
}

TEST_F(MeshDisplayTest, EdgeMeetsAFaceOnlyInsideItsOutline) {
    // The square x, y in [0, 2] at z = 5, listed both ways round.
    const D3DXVECTOR3 c[4] = {{0, 0, 5}, {2, 0, 5}, {2, 2, 5}, {0, 2, 5}};
    const D3DXVECTOR3* const forward[4] = {&c[0], &c[1], &c[2], &c[3]};
    const D3DXVECTOR3* const backward[4] = {&c[3], &c[2], &c[1], &c[0]};
    const D3DXPLANE plane(0.0f, 0.0f, 1.0f, -5.0f);
    for (const auto* face : {&forward, &backward}) {
        EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1, 1, 0}, {1, 1, 10}, *face, plane));
        EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1.5f, 0.5f, 9}, {0.5f, 1.5f, 1}, *face, plane));
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({3, 1, 0}, {3, 1, 10}, *face, plane)) << "beside";
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({1, 1, 0}, {1, 1, 4}, *face, plane)) << "short";
        EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({0, 1, 5}, {3, 1, 5}, *face, plane)) << "in the plane";
    }

    // A face standing at 45 degrees between x and y: its normal leans on both equally.
    const D3DXVECTOR3 d[4] = {{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {0, 0, 1}};
    const D3DXVECTOR3* const diagonal[4] = {&d[0], &d[1], &d[2], &d[3]};
    D3DXPLANE slant;
    D3DXPlaneFromPoints(&slant, &d[0], &d[1], &d[2]);
    EXPECT_TRUE(MeshDisplay::EdgeIntersectsFace({1, 0, 0.5f}, {0, 1, 0.5f}, diagonal, slant));
    EXPECT_FALSE(MeshDisplay::EdgeIntersectsFace({3, 2, 0.5f}, {2, 3, 0.5f}, diagonal, slant));
}

TEST_F(MeshDisplayTest, SubmitQueuesTheDrawWithItsMaterialsAndSharedTextures) {
    WriteTexture(m_cwd.Path(), "wood.dds");
    DebugCapture debug;
    MessageBoxCapture boxes;
    MeshDisplay* pMesh = Load(
        BoxMesh("a_display", kLo, kHi, {"wood.dds", "", "absent.dds"}) + BoxMesh("b_display", kLo, kHi, {"wood.dds"}),
        2);
    ASSERT_NE(pMesh, nullptr);
    const std::string wood = m_cwd.Path() + "/Texture/wood.dds";
    const std::string absent = m_cwd.Path() + "/Texture/absent.dds";

    // One texture shared by both meshes; the missing one is reported and left out.
    EXPECT_EQ(m_texList.EntryCount(), 1u);
    EXPECT_EQ(m_texList.CountOf(wood.c_str()), 2u);
    EXPECT_TRUE(debug.Contains("TexList(85): failed to load texture..." + absent)) << debug.All();
    ASSERT_EQ(pMesh->MaterialCount(), 3u);
    IDirect3DTexture8* pWood = pMesh->Textures()[0];
    ASSERT_NE(pWood, nullptr);
    EXPECT_EQ(m_model.DisplayAt(1)->Textures()[0], pWood);
    EXPECT_EQ(pMesh->Textures()[1], nullptr);
    EXPECT_EQ(pMesh->Textures()[2], nullptr);
    // Lit by the diffuse colour alone.
    const D3DMATERIAL8& material = pMesh->Materials()[0];
    EXPECT_FLOAT_EQ(material.Ambient.r, 0.8f);
    EXPECT_FLOAT_EQ(material.Ambient.g, 0.6f);
    EXPECT_FLOAT_EQ(material.Ambient.b, 0.4f);
    EXPECT_FLOAT_EQ(material.Ambient.a, 1.0f);

    D3DXMATRIX turn;
    D3DXMATRIX world;
    D3DXMatrixRotationZ(&turn, 0.3f);
    const D3DXMATRIX place = Placed(1, 1, 1, D3DXVECTOR3(4, -2, 60));
    D3DXMatrixMultiply(&world, &turn, &place);
    pMesh->UpdateBounds(world);
    ASSERT_EQ(
        pMesh->Submit(m_pDevice, &m_camera.Frustum(), D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, -2, 60), 1, world, m_pQueue),
        S_OK);
    ASSERT_EQ(m_pQueue->Count(), 1u);
    const DrawQueue::DrawEntry& entry = m_pQueue->EntryAt(0);
    EXPECT_EQ(entry.m_pMesh, pMesh->LevelAt(pMesh->LevelCount() - 1));
    EXPECT_TRUE(entry.m_matWorld == world);
    EXPECT_NEAR(entry.m_vecSortPoint.x, 4.0f, 1e-4f);
    EXPECT_NEAR(entry.m_vecSortPoint.y, -2.0f, 1e-4f);
    EXPECT_NEAR(entry.m_vecSortPoint.z, 60.0f, 1e-4f);
    EXPECT_EQ(entry.m_pMaterials, pMesh->Materials());
    EXPECT_EQ(entry.m_ppTextures, pMesh->Textures());
    EXPECT_EQ(entry.m_dwMaterialNum, 3u);

    // Drawn, the first subset carries the shared texture and the object's world.
    m_pDevice->BeginScene();
    m_pQueue->Draw(m_pDevice);
    m_pDevice->EndScene();
    ASSERT_GE(m_pLog->DrawCount(), 3u);
    EXPECT_EQ(m_pLog->TextureAtDraw(0, 0), pWood);
    EXPECT_TRUE(D3DXMATRIX(m_pLog->TransformAtDraw(0, D3DTS_WORLD)) == world);
    m_pQueue->Clear();
    m_pDevice->SetTexture(0, nullptr);

    // Every reference goes back to the list with the model.
    m_model.Release();
    EXPECT_EQ(m_texList.EntryCount(), 0u);
}

}  // namespace
