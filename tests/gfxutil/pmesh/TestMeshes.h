// Meshes built in code for the mesh-repair and progressive-mesh tests, and
// what is drawn from a mesh read back as plain triangles.
#pragma once

#include <array>
#include <set>
#include <tuple>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "gfxutil/ID3DXMesh.h"
#include "support/RecordingDeviceTest.h"

// Position, normal, one texture coordinate set (the display meshes' format).
struct PosNormTex {
    D3DXVECTOR3 m_p;
    D3DXVECTOR3 m_n;
    float m_fU;
    float m_fV;
};
constexpr DWORD kPosNormTexFvf = 0x112;

struct TestMesh {
    std::vector<PosNormTex> m_vertices;
    std::vector<DWORD> m_indices;
    std::vector<DWORD> m_attributes;
};

// A latitude-longitude sphere of radius 1: one vertex per segment at each
// pole, `rings` rings of segments + 1 vertices (the last repeats the first
// position with u = 1, a texture seam). Faces above the equator use
// attribute 0, below attribute 1. rings 19, segments 10 gives 229 vertices.
TestMesh MakeSphere(DWORD rings, DWORD segments);
// A unit cube centred on the origin, 12 faces; 24 vertices (split per side)
// or 8 shared.
TestMesh MakeCube(bool splitSides);
// A flat grid of (n + 1)^2 vertices in the XZ plane: an open surface.
TestMesh MakeGrid(DWORD n);

// A system-memory mesh holding `mesh`; null on failure.
ID3DXMesh* CreateMesh(IDirect3DDevice8* pDevice, const TestMesh& mesh, DWORD fvf = kPosNormTexFvf);

// One drawn triangle by its corners' positions and its attribute.
struct DrawnFace {
    std::array<D3DXVECTOR3, 3> m_corners;
    DWORD m_dwAttribute;
};
// The faces a mesh draws now (attribute table runs of its index buffer).
std::vector<DrawnFace> DrawnFaces(ID3DXBaseMesh* pMesh);

// Every edge of the surface, by position, is met by exactly one face on
// each side running the other way.
bool IsWatertight(const std::vector<DrawnFace>& faces);

// The drawn faces as comparable values: attribute and corner positions in order.
using FaceKey = std::tuple<DWORD, std::array<float, 9>>;
std::multiset<FaceKey> Keys(const std::vector<DrawnFace>& faces);

// A recording device that releases, before it goes, what a test kept.
class MeshDeviceTest : public RecordingDeviceTest {
protected:
    void TearDown() override {
        for (IUnknown* object : m_objects) {
            object->Release();
        }
        RecordingDeviceTest::TearDown();
    }
    template <typename T>
    T* Keep(T* object) {
        if (object != nullptr) {
            m_objects.push_back(object);
        }
        return object;
    }

    std::vector<IUnknown*> m_objects;
};
