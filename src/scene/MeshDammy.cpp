#include "scene/MeshDammy.h"

#include "framework/AnsiString.h"
#include "framework/ErrorReport.h"
#include "gfxutil/D3DXBounds.h"
#include "gfxutil/XofMeshData.h"

namespace {

namespace site {
// Fixed trace sites (see TraceSite): kept exactly.
constexpr const char* kModule = "MeshDammy";
constexpr TraceSite kLoadMesh{kModule, 83, "failed to load mesh"};
constexpr TraceSite kSetFvf{kModule, 92, "failed to set FVF"};
constexpr long kBoxNumber = 145;     // ComputeBox's "failed to compute boundingbox"
constexpr long kSphereNumber = 166;  // and "failed to compute boundingsphere"
}  // namespace site

// Face planes from three world corners each, in the order of the box layout;
// this winding makes every normal point into the box.
constexpr int kPlaneCorners[6][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4}, {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};

}  // namespace

MeshDammy::MeshDammy()
    : m_szName{},
      m_pMesh(nullptr),
      m_vecLocalCorners{},
      m_vecLocalCentre(0.0f, 0.0f, 0.0f),
      m_fLocalRadius(0.0f),
      m_vecWorldCorners{},
      m_worldPlanes{},
      m_vecWorldCentre(0.0f, 0.0f, 0.0f),
      m_fWorldRadius(0.0f) {}

MeshDammy::~MeshDammy() {
    Release();
}

HRESULT MeshDammy::Load(IDirect3DDevice8* pDevice, IDirectXFileData* pData) {
    Release();
    ReadObjectName(pData, m_szName);

    ID3DXBuffer* pAdjacency = nullptr;
    ID3DXBuffer* pMaterials = nullptr;
    DWORD dwMaterialNum = 0;
    ID3DXMesh* pLoaded = nullptr;
    HRESULT hr =
        D3DXLoadMeshFromXof(pData, D3DXMESH_SYSTEMMEM, pDevice, &pAdjacency, &pMaterials, &dwMaterialNum, &pLoaded);
    if (FAILED(hr)) {
        TraceError(site::kLoadMesh, hr, TRUE);
    } else {
        hr = pLoaded->CloneMeshFVF(D3DXMESH_SYSTEMMEM, kMeshFvf, pDevice, &m_pMesh);
        if (FAILED(hr)) {
            TraceError(site::kSetFvf, hr, TRUE);
        }
        ReleaseInterface(pLoaded);
    }
    if (SUCCEEDED(hr)) {
        ComputeBounds(pDevice);
    }

    ReleaseInterface(pAdjacency);
    ReleaseInterface(pMaterials);
    if (FAILED(hr)) {
        ReleaseInterface(m_pMesh);
        return hr;
    }
    return S_OK;
}

HRESULT MeshDammy::ComputeBounds(IDirect3DDevice8*) {
    return ComputeBox(m_pMesh, site::kModule, site::kBoxNumber, site::kSphereNumber, m_vecLocalCorners,
                      m_vecLocalCentre, m_fLocalRadius);
}

HRESULT MeshDammy::UpdateBounds(D3DXMATRIX matWorld) {
    CarryBox(matWorld, m_vecLocalCorners, m_vecWorldCorners, m_worldPlanes);
    D3DXVec3TransformCoord(&m_vecWorldCentre, &m_vecLocalCentre, &matWorld);
    m_fWorldRadius = m_fLocalRadius;
    return S_OK;
}

HRESULT MeshDammy::Release() {
    ReleaseInterface(m_pMesh);
    return S_OK;
}

void MeshDammy::ReadObjectName(IDirectXFileObject* pObject, char (&szOut)[kNameChars]) {
    char szBuffer[kNameChars] = {};
    DWORD dwLength = 0;
    if (SUCCEEDED(pObject->GetName(nullptr, &dwLength)) && dwLength > 0) {
        // The buffer's own size, never the reported length: a longer name is
        // refused by the runtime and reads as no name.
        DWORD dwSize = sizeof(szBuffer);
        if (FAILED(pObject->GetName(szBuffer, &dwSize))) {
            szBuffer[0] = '\0';
        }
    }
    CopyAnsi(szOut, szBuffer, static_cast<int>(kNameChars));
}

HRESULT MeshDammy::ComputeBox(ID3DXMesh* pMesh, const char* szModule, long lineBox, long lineSphere,
                              D3DXVECTOR3 (&corners)[8], D3DXVECTOR3& centre, float& radius) {
    if (pMesh == nullptr) {
        return E_FAIL;
    }
    IDirect3DVertexBuffer8* pVB = nullptr;
    HRESULT hr = pMesh->GetVertexBuffer(&pVB);
    if (FAILED(hr)) {
        return hr;
    }
    const DWORD dwVertices = pMesh->GetNumVertices();
    const DWORD dwFvf = pMesh->GetFVF();
    BYTE* pVertices = nullptr;
    hr = pVB->Lock(0, 0, &pVertices, 0);
    if (FAILED(hr)) {
        pVB->Release();
        return hr;
    }

    D3DXVECTOR3 vecMin;
    D3DXVECTOR3 vecMax;
    hr = D3DXComputeBoundingBox(pVertices, dwVertices, dwFvf, &vecMin, &vecMax);
    if (FAILED(hr)) {
        TraceError(szModule, lineBox, hr, "failed to compute boundingbox", TRUE);
    } else {
        for (int k = 0; k < 8; ++k) {
            corners[k] = D3DXVECTOR3((k & 1) ? vecMax.x : vecMin.x, (k & 2) ? vecMax.y : vecMin.y,
                                     (k & 4) ? vecMax.z : vecMin.z);
        }
        D3DXVECTOR3 vecCentre;
        float fRadius = 0.0f;
        hr = D3DXComputeBoundingSphere(pVertices, dwVertices, dwFvf, &vecCentre, &fRadius);
        if (FAILED(hr)) {
            TraceError(szModule, lineSphere, hr, "failed to compute boundingsphere", TRUE);
        } else {
            centre = vecCentre;
            radius = fRadius;
        }
    }
    pVB->Unlock();
    pVB->Release();
    return hr;
}

void MeshDammy::CarryBox(const D3DXMATRIX& matWorld, const D3DXVECTOR3 (&local)[8], D3DXVECTOR3 (&world)[8],
                         D3DXPLANE (&planes)[6]) {
    for (int k = 0; k < 8; ++k) {
        D3DXVec3TransformCoord(&world[k], &local[k], &matWorld);
    }
    for (int f = 0; f < 6; ++f) {
        D3DXPlaneFromPoints(&planes[f], &world[kPlaneCorners[f][0]], &world[kPlaneCorners[f][1]],
                            &world[kPlaneCorners[f][2]]);
    }
}
