#include "bird/SkinnedMesh.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "bird/MeshPart.h"
#include "framework/AnsiString.h"
#include "framework/ErrorReport.h"
#include "framework/FrameStep.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXTypes.h"
#include "gfxutil/XofChildren.h"

namespace {

namespace site {
// Fixed trace sites (see TraceSite): kept exactly. "%s" is a bone's name, "%f"
// the animation's length.
constexpr TraceSite kUnboundBone{"mload", 249, "bone %s matches no frame"};
constexpr TraceSite kLoaded{"mload", 266, "skinnedmesh loading succeeded"};
constexpr TraceSite kLoadFailed{"mload", 271, "skinnedmesh loading failed"};
constexpr TraceSite kAnimLength{"skinnedmesh", 118, "m_fAnimLength=%f"};
}  // namespace site

constexpr float kTicksPerSecond = 4800.0f;
constexpr DWORD kMeshOptions =
    D3DXMESH_IB_SYSTEMMEM | D3DXMESH_VB_WRITEONLY | D3DXMESH_VB_SYSTEMMEM | D3DXMESH_DONOTCLIP;

// Key types of AnimationKey and how many values one key carries.
constexpr DWORD kRotationKeys = 0;
constexpr DWORD kScaleKeys = 1;
constexpr DWORD kPositionKeys = 2;
constexpr DWORD kMatrixKeys = 4;

// The object's name as a new string, or null when it has none.
HRESULT TakeName(IDirectXFileObject* pObject, char** pszName) {
    *pszName = nullptr;
    DWORD dwLength = 0;
    if (FAILED(pObject->GetName(nullptr, &dwLength)) || dwLength == 0) {
        return S_OK;
    }
    char* szName = new (std::nothrow) char[dwLength];
    if (szName == nullptr) {
        return E_OUTOFMEMORY;
    }
    if (FAILED(pObject->GetName(szName, &dwLength))) {
        szName[0] = '\0';
    }
    *pszName = szName;
    return S_OK;
}

// Reads packed DWORDs and floats of one data object, never past its end.
class DataReader {
public:
    DataReader(const BYTE* pData, DWORD dwSize) : m_pData(pData), m_dwLeft(dwSize) {}
    // Byte counts in 64 bits: a count worked out from file values never wraps to a small one.
    bool Read(void* pOut, ULONGLONG ullBytes) {
        if (ullBytes > m_dwLeft) {
            return false;
        }
        std::memcpy(pOut, m_pData, static_cast<size_t>(ullBytes));
        m_pData += ullBytes;
        m_dwLeft -= static_cast<DWORD>(ullBytes);
        return true;
    }
    bool Skip(ULONGLONG ullBytes) {
        if (ullBytes > m_dwLeft) {
            return false;
        }
        m_pData += ullBytes;
        m_dwLeft -= static_cast<DWORD>(ullBytes);
        return true;
    }
    DWORD Left() const { return m_dwLeft; }

private:
    const BYTE* m_pData;
    DWORD m_dwLeft;
};

// Fills one key list: each file key is a time, a value count and the values.
template <typename Key, typename Store>
HRESULT ReadKeyList(DataReader& reader, DWORD dwCount, DWORD dwValues, Store store, Key** ppKeys) {
    *ppKeys = nullptr;
    // Every key takes at least its time, its count and the values it must give:
    // refuse counts the data cannot hold before allocating.
    if (static_cast<ULONGLONG>(dwCount) * (8 + 4 * static_cast<ULONGLONG>(dwValues)) > reader.Left()) {
        return E_INVALIDARG;
    }
    if (dwCount == 0) {
        return S_OK;
    }
    Key* pKeys = new (std::nothrow) Key[dwCount];
    if (pKeys == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (DWORD k = 0; k < dwCount; ++k) {
        DWORD dwTime = 0;
        DWORD dwGiven = 0;
        float values[16] = {};
        if (!reader.Read(&dwTime, 4) || !reader.Read(&dwGiven, 4) || dwGiven < dwValues ||
            !reader.Read(values, 4ull * dwValues) || !reader.Skip(4ull * (dwGiven - dwValues))) {
            delete[] pKeys;
            return E_INVALIDARG;
        }
        pKeys[k].m_dwTime = dwTime;
        store(pKeys[k], values);
    }
    *ppKeys = pKeys;
    return S_OK;
}

}  // namespace

SkinnedMesh::SkinnedMesh()
    : m_pDevice(nullptr),
      m_caps(),
      m_szPath(),
      m_szDir(),
      m_pSelectedTree(nullptr),
      m_pTreeList(nullptr),
      m_dwMeshOptions(kMeshOptions),
      m_method(0),
      m_fAnimLength(0.0f),
      m_nWindowPending(1),
      m_fWindowLength(0.0f),
      m_fWindowStart(0.0f),
      m_fWindowEnd(0.0f),
      m_nFlash(0),
      m_fLoadLength(0.0f) {
    CaptureDirectory(m_szDir);
}

SkinnedMesh::~SkinnedMesh() {
    DeleteTree();
}

HRESULT SkinnedMesh::Load(IDirect3DDevice8* pDevice, D3DCAPS8 caps, const char* szFileName) {
    m_pDevice = pDevice;
    m_caps = caps;
    if (szFileName == nullptr) {
        LoadHierarchy(nullptr);
    } else {
        char szPath[MAX_PATH];
        // A path that does not fit stays empty and is refused as too short.
        ComposeMediaPath(szPath, m_szDir, kModelFolder, szFileName);
        CopyAnsi(m_szPath, szPath, MAX_PATH);
        LoadHierarchy(m_szPath);
    }
    char szMessage[64];
    std::snprintf(szMessage, sizeof(szMessage), site::kAnimLength.m_pszText, static_cast<double>(m_fAnimLength));
    TraceError(site::kAnimLength.m_pszModule, site::kAnimLength.m_lNumber, S_OK, szMessage, FALSE);
    return S_OK;
}

HRESULT SkinnedMesh::LoadHierarchy(const char* szPath) {
    if (szPath == nullptr) {
        return E_INVALIDARG;
    }
    HRESULT hr = S_OK;
    MeshTree* pTree = new (std::nothrow) MeshTree;
    if (pTree != nullptr) {
        pTree->m_pRoot = new (std::nothrow) FrameNode;
    }
    if (pTree == nullptr || pTree->m_pRoot == nullptr) {
        hr = E_OUTOFMEMORY;
    } else if (std::strlen(szPath) < 2) {
        hr = E_FAIL;
    }

    IDirectXFile* pFile = nullptr;
    IDirectXFileEnumObject* pEnum = nullptr;
    if (SUCCEEDED(hr)) {
        hr = DirectXFileCreate(&pFile);
    }
    if (SUCCEEDED(hr)) {
        hr = pFile->RegisterTemplates(D3DRM_XTEMPLATES, D3DRM_XTEMPLATE_BYTES);
    }
    if (SUCCEEDED(hr)) {
        hr = pFile->CreateEnumObject(szPath, DXFILELOAD_FROMFILE, &pEnum);
    }
    m_fLoadLength = 0.0f;
    while (SUCCEEDED(hr)) {
        IDirectXFileData* pData = nullptr;
        const HRESULT hrNext = pEnum->GetNextDataObject(&pData);
        if (hrNext == DXFILEERR_NOMOREOBJECTS) {
            break;
        }
        hr = hrNext;
        if (SUCCEEDED(hr)) {
            hr = LoadFrame(pData, pTree, pTree->m_pRoot);
            pData->Release();
        }
    }
    if (SUCCEEDED(hr)) {
        hr = BindBones(pTree->m_pRoot, pTree->m_pRoot);
    }
    if (SUCCEEDED(hr) && !pTree->SetName(szPath)) {
        hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        // The new tree replaces the one loaded last.
        if (m_pSelectedTree != nullptr) {
            MeshTree** ppLink = &m_pTreeList;
            while (*ppLink != nullptr && *ppLink != m_pSelectedTree) {
                ppLink = &(*ppLink)->m_pNext;
            }
            if (*ppLink != nullptr) {
                *ppLink = m_pSelectedTree->m_pNext;
            }
            delete m_pSelectedTree;
        }
        pTree->m_pNext = m_pTreeList;
        m_pTreeList = pTree;
        m_pSelectedTree = pTree;
        pTree->m_fCurTime = 0.0f;
        m_fAnimLength = m_fLoadLength;
        m_nWindowPending = 1;
    }
    if (pEnum != nullptr) {
        pEnum->Release();
    }
    if (pFile != nullptr) {
        pFile->Release();
    }

    if (SUCCEEDED(hr)) {
        TraceError(site::kLoaded, S_OK, FALSE);
        return S_OK;
    }
    delete pTree;
    TraceError(site::kLoadFailed, hr, TRUE);
    return hr;
}

HRESULT SkinnedMesh::LoadFrame(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent) {
    const GUID* pType = nullptr;
    HRESULT hr = pData->GetType(&pType);
    if (FAILED(hr)) {
        return hr;
    }
    if (*pType == TID_D3DRMMesh) {
        return LoadMeshPart(pData, pParent);
    }
    if (*pType == TID_D3DRMFrameTransformMatrix) {
        DWORD dwSize = 0;
        void* pValues = nullptr;
        hr = pData->GetData(nullptr, &dwSize, &pValues);
        if (FAILED(hr)) {
            return hr;
        }
        if (dwSize < sizeof(D3DMATRIX)) {
            return E_INVALIDARG;
        }
        std::memcpy(&pParent->m_matLocal, pValues, sizeof(D3DMATRIX));
        pParent->m_matFile = pParent->m_matLocal;
        return S_OK;
    }
    if (*pType == TID_D3DRMAnimationSet) {
        return LoadAnimationSet(pData, pTree, pParent);
    }
    if (*pType == TID_D3DRMAnimation) {
        return LoadAnimation(pData, pTree, pParent);
    }
    if (*pType != TID_D3DRMFrame) {
        return S_OK;
    }

    FrameNode* pFrame = new (std::nothrow) FrameNode;
    if (pFrame == nullptr) {
        return E_OUTOFMEMORY;
    }
    // Linked at once, so a failure further down deletes it with the tree.
    pParent->LinkChild(pFrame);
    hr = TakeName(pData, &pFrame->m_szName);
    if (FAILED(hr)) {
        return hr;
    }
    // References are not followed.
    return ForEachChild(pData,
                        OnlyData([&](IDirectXFileData* pChildData) { return LoadFrame(pChildData, pTree, pFrame); }));
}

HRESULT SkinnedMesh::LoadMeshPart(IDirectXFileData* pData, FrameNode* pParent) {
    MeshPart* pPart = new (std::nothrow) MeshPart;
    if (pPart == nullptr) {
        return E_OUTOFMEMORY;
    }
    HRESULT hr = pPart->Load(pData, m_dwMeshOptions, m_pDevice, m_method, m_caps);
    if (FAILED(hr)) {
        delete pPart;
        // A Mesh object without faces is left out; the file still loads.
        return hr == D3DXERR_LOADEDMESHHASNODATA ? S_OK : hr;
    }
    pParent->AddPart(pPart);
    return S_OK;
}

HRESULT SkinnedMesh::LoadAnimationSet(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent) {
    FrameNode* pSet = new (std::nothrow) FrameNode;
    if (pSet == nullptr) {
        return E_OUTOFMEMORY;
    }
    pParent->LinkChild(pSet);
    HRESULT hr = TakeName(pData, &pSet->m_szName);
    if (FAILED(hr)) {
        return hr;
    }
    return ForEachChild(pData, OnlyData(WithType([&](const GUID& type, IDirectXFileData* pChildData) {
                            return type == TID_D3DRMAnimation ? LoadAnimation(pChildData, pTree, pSet) : S_OK;
                        })));
}

HRESULT SkinnedMesh::LoadAnimation(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent) {
    FrameNode* pNode = new (std::nothrow) FrameNode;
    if (pNode == nullptr) {
        return E_OUTOFMEMORY;
    }
    pNode->m_pNextAnimated = pTree->m_pAnimated;
    pTree->m_pAnimated = pNode;
    pParent->LinkChild(pNode);

    DWORD dwTypesSeen = 0;
    auto visitData = OnlyData(WithType([&](const GUID& type, IDirectXFileData* pChildData) {
        if (type == TID_D3DRMAnimationKey) {
            return LoadKeys(pChildData, pNode, &dwTypesSeen);
        }
        return type == TID_D3DRMFrame ? LoadFrame(pChildData, pTree, pNode) : S_OK;
    }));
    return ForEachChild(pData, [&](IDirectXFileObject* pChild) {
        IDirectXFileDataReference* pReference = nullptr;
        if (SUCCEEDED(pChild->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&pReference)))) {
            char* szTarget = nullptr;
            HRESULT hr = TakeName(pReference, &szTarget);
            pReference->Release();
            if (SUCCEEDED(hr)) {
                FrameNode* pTarget = szTarget != nullptr ? pTree->m_pRoot->FindFrame(szTarget) : nullptr;
                // One target per animation, and it must exist.
                if (pNode->m_pTarget != nullptr || pTarget == nullptr) {
                    hr = E_INVALIDARG;
                } else {
                    pNode->m_pTarget = pTarget;
                }
            }
            delete[] szTarget;
            return hr;
        }
        return visitData(pChild);
    });
}

HRESULT SkinnedMesh::LoadKeys(IDirectXFileData* pData, FrameNode* pNode, DWORD* pdwTypesSeen) {
    DWORD dwSize = 0;
    void* pBytes = nullptr;
    HRESULT hr = pData->GetData(nullptr, &dwSize, &pBytes);
    if (FAILED(hr)) {
        return hr;
    }
    DataReader reader(static_cast<const BYTE*>(pBytes), dwSize);
    DWORD dwType = 0;
    DWORD dwCount = 0;
    if (!reader.Read(&dwType, 4) || !reader.Read(&dwCount, 4)) {
        return E_INVALIDARG;
    }
    if (dwType != kRotationKeys && dwType != kScaleKeys && dwType != kPositionKeys && dwType != kMatrixKeys) {
        return S_OK;  // a kind of key this model does not play
    }
    if ((*pdwTypesSeen & (1u << dwType)) != 0) {
        return E_INVALIDARG;
    }
    *pdwTypesSeen |= 1u << dwType;

    DWORD dwLastTime = 0;
    switch (dwType) {
        case kRotationKeys:
            hr = ReadKeyList(
                reader, dwCount, 4,
                [](RotationKey& key, const float* v) { key.m_quatRotate = D3DXQUATERNION(v[1], v[2], v[3], v[0]); },
                &pNode->m_pRotateKeys);
            pNode->m_dwRotateKeys = SUCCEEDED(hr) ? dwCount : 0;
            dwLastTime = dwCount > 0 && SUCCEEDED(hr) ? pNode->m_pRotateKeys[dwCount - 1].m_dwTime : 0;
            break;
        case kScaleKeys:
            hr = ReadKeyList(
                reader, dwCount, 3,
                [](ScaleKey& key, const float* v) { key.m_vecScale = D3DXVECTOR3(v[0], v[1], v[2]); },
                &pNode->m_pScaleKeys);
            pNode->m_dwScaleKeys = SUCCEEDED(hr) ? dwCount : 0;
            dwLastTime = dwCount > 0 && SUCCEEDED(hr) ? pNode->m_pScaleKeys[dwCount - 1].m_dwTime : 0;
            break;
        case kPositionKeys:
            hr = ReadKeyList(
                reader, dwCount, 3,
                [](PositionKey& key, const float* v) { key.m_vecPos = D3DXVECTOR3(v[0], v[1], v[2]); },
                &pNode->m_pPositionKeys);
            pNode->m_dwPositionKeys = SUCCEEDED(hr) ? dwCount : 0;
            dwLastTime = dwCount > 0 && SUCCEEDED(hr) ? pNode->m_pPositionKeys[dwCount - 1].m_dwTime : 0;
            break;
        default:
            hr = ReadKeyList(
                reader, dwCount, 16, [](MatrixKey& key, const float* v) { key.m_mat = D3DXMATRIX(v); },
                &pNode->m_pMatrixKeys);
            pNode->m_dwMatrixKeys = SUCCEEDED(hr) ? dwCount : 0;
            dwLastTime = dwCount > 0 && SUCCEEDED(hr) ? pNode->m_pMatrixKeys[dwCount - 1].m_dwTime : 0;
            break;
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (static_cast<float>(dwLastTime) > m_fLoadLength) {
        m_fLoadLength = static_cast<float>(dwLastTime);
    }
    return S_OK;
}

HRESULT SkinnedMesh::BindBones(FrameNode* pFrame, FrameNode* pRoot) {
    for (FrameNode* pNode = pFrame; pNode != nullptr; pNode = pNode->m_pSibling) {
        for (MeshPart* pPart = pNode->m_pParts; pPart != nullptr; pPart = pPart->m_pNext) {
            for (DWORD i = 0; i < pPart->BoneCount(); ++i) {
                const char* szBone = pPart->BoneName(i);
                FrameNode* pBone = szBone != nullptr ? pRoot->FindFrame(szBone) : nullptr;
                if (pBone == nullptr) {
                    // A bone with no frame to follow would leave its vertices nowhere.
                    char szMessage[MAX_PATH + 64];
                    std::snprintf(szMessage, sizeof(szMessage), site::kUnboundBone.m_pszText,
                                  szBone != nullptr ? szBone : "");
                    TraceError(site::kUnboundBone.m_pszModule, site::kUnboundBone.m_lNumber, E_FAIL, szMessage, FALSE);
                    return E_FAIL;
                }
                pPart->m_ppBoneMatrices[i] = &pBone->m_matCombined;
            }
        }
        if (pNode->m_pFirstChild != nullptr) {
            const HRESULT hr = BindBones(pNode->m_pFirstChild, pRoot);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

HRESULT SkinnedMesh::DeleteTree() {
    while (m_pTreeList != nullptr) {
        MeshTree* pNext = m_pTreeList->m_pNext;
        delete m_pTreeList;
        m_pTreeList = pNext;
    }
    m_pSelectedTree = nullptr;
    // The device goes away after this; a restore before the next load must not touch it.
    m_pDevice = nullptr;
    return S_OK;
}

HRESULT SkinnedMesh::FrameMove(DWORD dwSegment, DWORD dwSegmentNum, int nFlash) {
    for (MeshTree* pTree = m_pTreeList; pTree != nullptr; pTree = pTree->m_pNext) {
        if (m_nWindowPending == 1) {
            if (dwSegment == 0 || dwSegmentNum == 0) {
                return S_OK;
            }
            m_fWindowLength = m_fAnimLength / static_cast<float>(dwSegmentNum);
            m_fWindowStart = static_cast<float>(dwSegment - 1) * m_fWindowLength;
            m_fWindowEnd = static_cast<float>(dwSegment) * m_fWindowLength;
            m_nWindowPending = 0;
        }
        pTree->m_fCurTime += g_frameStep * kTicksPerSecond;
        // Wraps on the first frame past the end; a new segment takes effect here.
        if (pTree->m_fCurTime > m_fWindowEnd) {
            pTree->m_fCurTime = m_fWindowStart;
            m_nWindowPending = 1;
        }
        if (pTree->m_fCurTime < m_fWindowStart) {
            pTree->m_fCurTime = m_fWindowStart;
        }
        for (FrameNode* pNode = pTree->m_pAnimated; pNode != nullptr; pNode = pNode->m_pNextAnimated) {
            pNode->SetTime(pTree->m_fCurTime);
        }
    }
    m_nFlash = nFlash;
    return S_OK;
}

HRESULT SkinnedMesh::Render(D3DXMATRIX matWorld) {
    for (MeshTree* pTree = m_pTreeList; pTree != nullptr; pTree = pTree->m_pNext) {
        // Rotation and scale at the root, the placement applied after the whole tree.
        FrameNode* pRoot = pTree->m_pRoot;
        pRoot->m_matLocal = matWorld;
        pRoot->m_matLocal._41 = 0.0f;
        pRoot->m_matLocal._42 = 0.0f;
        pRoot->m_matLocal._43 = 0.0f;
        D3DXMatrixTranslation(&pRoot->m_matExtra, matWorld._41, matWorld._42, matWorld._43);
    }
    D3DXMATRIX matIdentity;
    D3DXMatrixIdentity(&matIdentity);
    for (MeshTree* pTree = m_pTreeList; pTree != nullptr; pTree = pTree->m_pNext) {
        pTree->m_pRoot->UpdateFrames(matIdentity);
        const HRESULT hr = DrawFrames(pTree->m_pRoot);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT SkinnedMesh::DrawFrames(FrameNode* pFrame) {
    for (FrameNode* pNode = pFrame; pNode != nullptr; pNode = pNode->m_pSibling) {
        if (pNode->m_pParts != nullptr) {
            m_pDevice->SetTransform(D3DTS_WORLD, &pNode->m_matCombined);
            for (MeshPart* pPart = pNode->m_pParts; pPart != nullptr; pPart = pPart->m_pNext) {
                const HRESULT hr = pPart->Draw(m_pDevice, m_method, m_caps);
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
        if (pNode->m_pFirstChild != nullptr) {
            const HRESULT hr = DrawFrames(pNode->m_pFirstChild);
            if (FAILED(hr)) {
                return hr;
            }
        }
    }
    return S_OK;
}

HRESULT SkinnedMesh::RestoreStates() {
    if (m_pDevice == nullptr) {
        return S_OK;
    }
    m_pDevice->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    m_pDevice->SetRenderState(D3DRS_COLORVERTEX, FALSE);
    m_pDevice->SetRenderState(D3DRS_NORMALIZENORMALS, TRUE);
    m_pDevice->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    return S_OK;
}

HRESULT SkinnedMesh::ReleaseDeviceMeshes() {
    for (MeshTree* pTree = m_pTreeList; pTree != nullptr; pTree = pTree->m_pNext) {
        ReleaseFrameMeshes(pTree->m_pRoot);
    }
    return S_OK;
}

void SkinnedMesh::ReleaseFrameMeshes(FrameNode* pFrame) {
    for (FrameNode* pNode = pFrame; pNode != nullptr; pNode = pNode->m_pSibling) {
        for (MeshPart* pPart = pNode->m_pParts; pPart != nullptr; pPart = pPart->m_pNext) {
            pPart->ReleaseDeviceMesh();
        }
        if (pNode->m_pFirstChild != nullptr) {
            ReleaseFrameMeshes(pNode->m_pFirstChild);
        }
    }
}
