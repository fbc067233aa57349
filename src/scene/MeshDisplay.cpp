#include "scene/MeshDisplay.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaLocation.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXPMesh.h"
#include "gfxutil/MeshRepair.h"
#include "gfxutil/XofMeshData.h"
#include "platform/kernel/Kernel.h"
#include "scene/TexList.h"

namespace {

namespace site {
// Fixed trace sites (see TraceSite): kept exactly.
constexpr const char* kModule = "MeshDisplay";
constexpr TraceSite kLoadMesh{kModule, 114, "failed to load mesh"};
constexpr TraceSite kSetFvf{kModule, 162, "failed to set FVF"};
constexpr TraceSite kClean{kModule, 182, "failed to cleasing"};
constexpr TraceSite kWeld{kModule, 196, "failed to weld"};
constexpr TraceSite kValid{kModule, 203, "failed to valid"};
constexpr TraceSite kGenerate{kModule, 215, "failed to generate progressive mesh"};
constexpr TraceSite kLevelsOutOfMemory{kModule, 232, "failed to generate progressive mesh,,,outofmemory"};
constexpr TraceSite kCloneFull{kModule, 241, "failed to clonepmeshfvf_full"};
constexpr TraceSite kCloneLevel{kModule, 253, "failed to clonepmeshfvf_array"};
constexpr TraceSite kTrim{kModule, 260, "failed to trimbyvertices"};
constexpr TraceSite kOptimize{kModule, 267, "failed to optimizebaselod"};
constexpr TraceSite kSetVerticesFull{kModule, 276, "failed to setnumvertices_full"};
constexpr TraceSite kSetVerticesLevel{kModule, 283, "failed to setnumvertices_array"};
constexpr long kBoxNumber = 340;  // MeshDammy::ComputeBox's box and sphere sites
constexpr long kSphereNumber = 361;
}  // namespace site

// The 12 edges of a box or frustum as corner pairs, and its 6 faces as corner
// quadruples in the order of its planes.
constexpr int kEdges[12][2] = {{0, 1}, {2, 3}, {0, 2}, {1, 3}, {4, 5}, {6, 7},
                               {4, 6}, {5, 7}, {0, 4}, {2, 6}, {1, 5}, {3, 7}};
constexpr int kFaces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 4, 5, 1}};

// TRUE when an edge of the first solid crosses a face of the second.
BOOL EdgesCrossFaces(const D3DXVECTOR3 (&edgeCorners)[8], const D3DXVECTOR3 (&faceCorners)[8],
                     const D3DXPLANE (&facePlanes)[6]) {
    for (const auto& edge : kEdges) {
        for (int f = 0; f < 6; ++f) {
            const D3DXVECTOR3* const face[4] = {&faceCorners[kFaces[f][0]], &faceCorners[kFaces[f][1]],
                                                &faceCorners[kFaces[f][2]], &faceCorners[kFaces[f][3]]};
            if (MeshDisplay::EdgeIntersectsFace(edgeCorners[edge[0]], edgeCorners[edge[1]], face, facePlanes[f])) {
                return TRUE;
            }
        }
    }
    return FALSE;
}

// Twice the signed area of the 2-D triangle p0 p1 p2.
float Turn(const D3DXVECTOR2& p0, const D3DXVECTOR2& p1, const D3DXVECTOR2& p2) {
    return p1.x * p2.y - p1.y * p2.x - p0.x * p2.y + p0.y * p2.x + p0.x * p1.y - p0.y * p1.x;
}

}  // namespace

MeshDisplay::MeshDisplay()
    : m_szName{},
      m_pMesh(nullptr),
      m_pPMeshFull(nullptr),
      m_ppPMeshLevels(nullptr),
      m_dwLevelNum(0),
      m_dwCurrentLevel(0),
      m_pMaterials(nullptr),
      m_ppTextures(nullptr),
      m_dwMaterialNum(0),
      m_vecLocalCorners{},
      m_vecLocalCentre(0.0f, 0.0f, 0.0f),
      m_fLocalRadius(0.0f),
      m_vecWorldCorners{},
      m_worldPlanes{},
      m_vecWorldCentre(0.0f, 0.0f, 0.0f),
      m_pTexList(nullptr) {}

MeshDisplay::~MeshDisplay() {
    Release();
}

HRESULT MeshDisplay::Load(IDirect3DDevice8* pDevice, IDirectXFileData* pData, TexList* pTexList) {
    Release();
    m_pTexList = pTexList;
    MeshDammy::ReadObjectName(pData, m_szName);

    ID3DXBuffer* pAdjacencyBuffer = nullptr;
    ID3DXBuffer* pMaterialBuffer = nullptr;
    DWORD dwMaterialNum = 0;
    ID3DXPMesh* pPMesh = nullptr;
    HRESULT hr = D3DXLoadMeshFromXof(pData, D3DXMESH_SYSTEMMEM, pDevice, &pAdjacencyBuffer, &pMaterialBuffer,
                                     &dwMaterialNum, &m_pMesh);
    if (FAILED(hr)) {
        TraceError(site::kLoadMesh, hr, TRUE);
    }
    if (SUCCEEDED(hr)) {
        hr = LoadMaterials(pDevice, pMaterialBuffer, dwMaterialNum);
    }
    if (SUCCEEDED(hr)) {
        ID3DXMesh* pClone = nullptr;
        hr = m_pMesh->CloneMeshFVF(D3DXMESH_SYSTEMMEM, MeshDammy::kMeshFvf, pDevice, &pClone);
        if (FAILED(hr)) {
            TraceError(site::kSetFvf, hr, TRUE);
        } else {
            m_pMesh->Release();
            m_pMesh = pClone;
        }
    }
    if (SUCCEEDED(hr)) {
        ComputeBounds(pDevice);
    }

    DWORD* pAdjacency =
        pAdjacencyBuffer != nullptr ? static_cast<DWORD*>(pAdjacencyBuffer->GetBufferPointer()) : nullptr;
    if (SUCCEEDED(hr)) {
        ID3DXMesh* pCleaned = nullptr;
        hr = D3DXCleanMesh(m_pMesh, pAdjacency, &pCleaned, pAdjacency, nullptr);
        if (FAILED(hr)) {
            TraceError(site::kClean, hr, TRUE);
        } else {
            m_pMesh->Release();
            m_pMesh = pCleaned;
        }
    }
    if (SUCCEEDED(hr)) {
        // All epsilons zero: only vertices equal in every component are joined.
        const D3DXWELDEPSILONS epsilons{};
        hr = D3DXWeldVertices(m_pMesh, &epsilons, pAdjacency, pAdjacency, nullptr, nullptr);
        if (FAILED(hr)) {
            TraceError(site::kWeld, hr, TRUE);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = D3DXValidMesh(m_pMesh, pAdjacency, nullptr);
        if (FAILED(hr)) {
            TraceError(site::kValid, hr, TRUE);
        }
    }
    if (SUCCEEDED(hr)) {
        // Only memory running out stops the normals of a welded, valid mesh.
        hr = D3DXComputeNormals(m_pMesh, nullptr);
        if (SUCCEEDED(hr)) {
            hr = D3DXGeneratePMesh(m_pMesh, pAdjacency, nullptr, nullptr, 1, D3DXMESHSIMP_VERTEX, &pPMesh);
        }
        if (FAILED(hr)) {
            TraceError(site::kGenerate, hr, TRUE);
        }
    }
    if (SUCCEEDED(hr)) {
        hr = BuildLevels(pDevice, pPMesh);
    }

    ReleaseInterface(pAdjacencyBuffer);
    ReleaseInterface(pMaterialBuffer);
    ReleaseInterface(pPMesh);
    if (FAILED(hr)) {
        // Materials and textures stay for Release; the geometry goes now.
        ReleaseGeometry();
        return hr;
    }
    return S_OK;
}

HRESULT MeshDisplay::LoadMaterials(IDirect3DDevice8* pDevice, ID3DXBuffer* pMaterialBuffer, DWORD dwMaterialNum) {
    if (pMaterialBuffer == nullptr || dwMaterialNum == 0) {
        return S_OK;
    }
    m_pMaterials = new (std::nothrow) D3DMATERIAL8[dwMaterialNum];
    m_ppTextures = new (std::nothrow) IDirect3DTexture8*[dwMaterialNum]();
    if (m_pMaterials == nullptr || m_ppTextures == nullptr) {
        delete[] m_pMaterials;
        delete[] m_ppTextures;
        m_pMaterials = nullptr;
        m_ppTextures = nullptr;
        TraceError(site::kLoadMesh, E_OUTOFMEMORY, TRUE);
        return E_OUTOFMEMORY;
    }
    m_dwMaterialNum = dwMaterialNum;

    // The texture folder follows the media directory of this moment (the
    // current directory in a run folder). A directory too long for a media
    // path is kept whole here, so that the texture list refuses the path
    // with its own failure report rather than a cut path opening some other
    // file.
    char szDirectory[4 * MAX_PATH] = {};
    if (const MediaLocation* pLocation = MediaLocation::Active(); pLocation != nullptr) {
        std::snprintf(szDirectory, sizeof(szDirectory), "%s", pLocation->MediaDirectory().c_str());
    } else {
        const DWORD dwDirLength = GetCurrentDirectoryA(sizeof(szDirectory), szDirectory);
        if (dwDirLength == 0 || dwDirLength >= sizeof(szDirectory)) {
            szDirectory[0] = '\0';
        }
    }

    const auto* pLoaded = static_cast<const D3DXMATERIAL*>(pMaterialBuffer->GetBufferPointer());
    for (DWORD i = 0; i < dwMaterialNum; ++i) {
        m_pMaterials[i] = pLoaded[i].MatD3D;
        m_pMaterials[i].Ambient = m_pMaterials[i].Diffuse;
        const char* szTexture = pLoaded[i].pTextureFilename;
        if (szTexture == nullptr || szTexture[0] == '\0' || m_pTexList == nullptr) {
            continue;
        }
        char szPath[6 * MAX_PATH];
        if (szDirectory[0] == '\0') {
            std::snprintf(szPath, sizeof(szPath), "failed to load texture...%s", szTexture);
            TraceError(site::kModule, 0, E_FAIL, szPath, TRUE);
            continue;
        }
        // A path that fits may name the user's own copy of the texture.
        char szFitting[MAX_PATH];
        if (ComposeMediaPath(szFitting, szDirectory, kTextureFolder, szTexture)) {
            m_ppTextures[i] = m_pTexList->Load(pDevice, szFitting);
            continue;
        }
        std::snprintf(szPath, sizeof(szPath), "%s%s%s", szDirectory, kTextureFolder, szTexture);
        m_ppTextures[i] = m_pTexList->Load(pDevice, szPath);
    }
    return S_OK;
}

HRESULT MeshDisplay::BuildLevels(IDirect3DDevice8* pDevice, ID3DXPMesh* pPMesh) {
    const DWORD dwMin = pPMesh->GetMinVertices();
    const DWORD dwMax = pPMesh->GetMaxVertices();
    const DWORD dwRange = dwMax - dwMin;
    const DWORD dwStep = dwRange / kVertexBands;
    DWORD dwLevels = 1;
    if (dwStep > 0) {
        dwLevels = static_cast<DWORD>(std::ceil(static_cast<double>(dwRange) / static_cast<double>(dwStep)));
        if (dwLevels < 1) {
            dwLevels = 1;
        }
    }

    m_ppPMeshLevels = new (std::nothrow) ID3DXPMesh*[dwLevels]();
    if (m_ppPMeshLevels == nullptr) {
        TraceError(site::kLevelsOutOfMemory, E_OUTOFMEMORY, TRUE);
        return E_FAIL;
    }
    m_dwLevelNum = dwLevels;

    const DWORD dwCloneOptions = D3DXMESH_MANAGED | D3DXMESH_VB_SHARE;
    HRESULT hr = pPMesh->ClonePMeshFVF(dwCloneOptions, pPMesh->GetFVF(), pDevice, &m_pPMeshFull);
    if (FAILED(hr)) {
        TraceError(site::kCloneFull, hr, TRUE);
        return hr;
    }
    for (DWORD i = 0; i < dwLevels; ++i) {
        hr = pPMesh->ClonePMeshFVF(dwCloneOptions, pPMesh->GetFVF(), pDevice, &m_ppPMeshLevels[i]);
        if (FAILED(hr)) {
            TraceError(site::kCloneLevel, hr, TRUE);
            return hr;
        }
        // With fewer vertices to remove than bands, the one level keeps the
        // whole range, so the mesh is not drawn at its coarsest everywhere.
        const DWORD dwBandMin = dwStep > 0 ? dwMin + dwStep * i : dwMin;
        const DWORD dwBandMax = dwStep > 0 ? dwMin + dwStep * (i + 1) : dwMax;
        hr = m_ppPMeshLevels[i]->TrimByVertices(dwBandMin, dwBandMax, nullptr, nullptr);
        if (FAILED(hr)) {
            TraceError(site::kTrim, hr, TRUE);
            return hr;
        }
        hr = m_ppPMeshLevels[i]->OptimizeBaseLOD(D3DXMESHOPT_VERTEXCACHE, nullptr);
        if (FAILED(hr)) {
            TraceError(site::kOptimize, hr, TRUE);
            return hr;
        }
    }

    hr = m_pPMeshFull->SetNumVertices(dwMax);
    if (FAILED(hr)) {
        TraceError(site::kSetVerticesFull, hr, TRUE);
        return hr;
    }
    m_dwCurrentLevel = dwLevels - 1;
    hr = m_ppPMeshLevels[m_dwCurrentLevel]->SetNumVertices(dwMax);
    if (FAILED(hr)) {
        TraceError(site::kSetVerticesLevel, hr, TRUE);
        return hr;
    }
    return S_OK;
}

HRESULT MeshDisplay::ComputeBounds(IDirect3DDevice8*) {
    return MeshDammy::ComputeBox(m_pMesh, site::kModule, site::kBoxNumber, site::kSphereNumber, m_vecLocalCorners,
                                 m_vecLocalCentre, m_fLocalRadius);
}

HRESULT MeshDisplay::UpdateBounds(D3DXMATRIX matWorld) {
    MeshDammy::CarryBox(matWorld, m_vecLocalCorners, m_vecWorldCorners, m_worldPlanes);
    D3DXVec3TransformCoord(&m_vecWorldCentre, &m_vecLocalCentre, &matWorld);
    return S_OK;
}

HRESULT MeshDisplay::Submit(IDirect3DDevice8*, const FrustumInfo* pFrustum, const D3DXVECTOR3& vecCamera,
                            const D3DXVECTOR3& vecObject, int lod, D3DXMATRIX matWorld, DrawQueue* pQueue) {
    if (m_pMesh == nullptr) {
        return E_FAIL;
    }
    if (!CullTest(pFrustum)) {
        return S_OK;
    }
    const D3DXVECTOR3 vecApart = vecObject - vecCamera;
    const float fDistance = D3DXVec3Length(&vecApart);
    DWORD dwBack = 4;
    if (fDistance <= kNearDistance) {
        dwBack = 1;
    } else if (fDistance <= kMiddleDistance) {
        dwBack = 2;
    } else if (fDistance <= kFarDistance) {
        dwBack = 3;
    }
    m_dwCurrentLevel = m_dwLevelNum > dwBack ? m_dwLevelNum - dwBack : 0;

    if (pQueue != nullptr) {
        ID3DXBaseMesh* pDraw = lod != 0 ? m_ppPMeshLevels[m_dwCurrentLevel] : m_pPMeshFull;
        pQueue->Add(pDraw, matWorld, m_vecWorldCentre, m_pMaterials, m_ppTextures, m_dwMaterialNum);
    }
    return S_OK;
}

HRESULT MeshDisplay::IsVisible(IDirect3DDevice8*, const FrustumInfo* pFrustum) const {
    if (m_pMesh == nullptr) {
        return E_FAIL;
    }
    return CullTest(pFrustum) ? 1 : 0;
}

HRESULT MeshDisplay::Release() {
    for (DWORD i = 0; i < m_dwMaterialNum; ++i) {
        if (m_pTexList != nullptr && m_ppTextures[i] != nullptr) {
            m_pTexList->Release(m_ppTextures[i]);
        }
    }
    delete[] m_ppTextures;
    delete[] m_pMaterials;
    m_ppTextures = nullptr;
    m_pMaterials = nullptr;
    m_dwMaterialNum = 0;
    ReleaseGeometry();
    return S_OK;
}

void MeshDisplay::ReleaseGeometry() {
    ReleaseInterface(m_pMesh);
    ReleaseInterface(m_pPMeshFull);
    for (DWORD i = 0; i < m_dwLevelNum; ++i) {
        ReleaseInterface(m_ppPMeshLevels[i]);
    }
    m_dwLevelNum = 0;
    m_dwCurrentLevel = 0;
    delete[] m_ppPMeshLevels;
    m_ppPMeshLevels = nullptr;
}

BOOL MeshDisplay::CullTest(const FrustumInfo* pFrustum) const {
    if (pFrustum == nullptr) {
        return TRUE;
    }
    // Cheap first: a corner inside, or all corners beyond one frustum plane.
    DWORD dwCommon = 0x3F;
    for (const D3DXVECTOR3& corner : m_vecWorldCorners) {
        DWORD dwOutside = 0;
        for (int p = 0; p < 6; ++p) {
            if (D3DXPlaneDotCoord(&pFrustum->m_planes[p], &corner) < 0.0f) {
                dwOutside |= 1u << p;
            }
        }
        if (dwOutside == 0) {
            return TRUE;
        }
        dwCommon &= dwOutside;
    }
    if (dwCommon != 0) {
        return FALSE;
    }
    if (EdgesCrossFaces(pFrustum->m_vecCorners, m_vecWorldCorners, m_worldPlanes) ||
        EdgesCrossFaces(m_vecWorldCorners, pFrustum->m_vecCorners, pFrustum->m_planes)) {
        return TRUE;
    }
    // No corner inside and no crossing: either apart, or the frustum lies
    // wholly inside the box.
    for (const D3DXPLANE& plane : m_worldPlanes) {
        if (D3DXPlaneDotCoord(&plane, &pFrustum->m_vecCorners[0]) < 0.0f) {
            return FALSE;
        }
    }
    return TRUE;
}

BOOL MeshDisplay::EdgeIntersectsFace(const D3DXVECTOR3& p0, const D3DXVECTOR3& p1, const D3DXVECTOR3* const (&face)[4],
                                     const D3DXPLANE& plane) {
    const float d0 = D3DXPlaneDotCoord(&plane, &p0);
    const float d1 = D3DXPlaneDotCoord(&plane, &p1);
    if ((d0 > 0.0f && d1 > 0.0f) || (d0 < 0.0f && d1 < 0.0f)) {
        return FALSE;
    }
    D3DXVECTOR3 vecHit;
    if (D3DXPlaneIntersectLine(&vecHit, &plane, &p0, &p1) == nullptr) {
        return FALSE;
    }

    // Drop the axis the normal leans on most. Ties go to the earlier axis, so
    // a plane at 45 degrees between x and y never flattens into a line.
    const float fA = std::fabs(plane.a);
    const float fB = std::fabs(plane.b);
    const float fC = std::fabs(plane.c);
    auto flatten = [&](const D3DXVECTOR3& v) {
        if (fA >= fB && fA >= fC) {
            return D3DXVECTOR2(v.y, v.z);
        }
        if (fB >= fC) {
            return D3DXVECTOR2(v.x, v.z);
        }
        return D3DXVECTOR2(v.x, v.y);
    };
    const D3DXVECTOR2 quad[4] = {flatten(*face[0]), flatten(*face[1]), flatten(*face[2]), flatten(*face[3])};
    const D3DXVECTOR2 point = flatten(vecHit);

    const bool bClockwise = Turn(quad[0], quad[1], quad[2]) < 0.0f;
    for (int i = 0; i < 4; ++i) {
        if ((Turn(quad[i], quad[(i + 1) % 4], point) > 0.0f) == bClockwise) {
            return FALSE;
        }
    }
    return TRUE;
}
