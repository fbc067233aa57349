#include "bird/MeshPart.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "framework/ErrorReport.h"
#include "framework/MediaPath.h"
#include "gfxutil/D3DXSkinMesh.h"
#include "gfxutil/D3DXTexture.h"

namespace {

// Fixed trace site (see TraceSite): kept exactly.
constexpr TraceSite kInvalidMethod{"mload", 412, "invalid method... possibliy m_method = VertexShader"};
constexpr DWORD kUnusedSlot = 0xFFFFFFFF;
// A blended vertex carries at most four bones, so no face needs more than twelve.
constexpr DWORD kMaxFaceInfluences = 12;
constexpr DWORD kSoftwarePalette = 256;

template <typename T>
void ReleaseAndClear(T** ppObject) {
    if (*ppObject != nullptr) {
        (*ppObject)->Release();
        *ppObject = nullptr;
    }
}

}  // namespace

MeshPart::MeshPart()
    : m_pMesh(nullptr),
      m_pMaterials(nullptr),
      m_ppTextures(nullptr),
      m_dwSubsetNum(0),
      m_dwMaterialNum(0),
      m_pNext(nullptr),
      m_szName(nullptr),
      m_pSkin(nullptr),
      m_ppBoneMatrices(nullptr),
      m_pBoneNames(nullptr),
      m_pBoneOffsetBuffer(nullptr),
      m_pBoneOffsets(nullptr),
      m_pAdjacency(nullptr),
      m_dwFaceInfluences(0),
      m_pBoneCombinations(nullptr),
      m_nBuiltMethod(1),
      m_dwPaletteSize(0),
      m_dwSoftware(0) {}

MeshPart::~MeshPart() {
    ReleaseAndClear(&m_pMesh);
    if (m_ppTextures != nullptr) {
        for (DWORD i = 0; i < m_dwMaterialNum; ++i) {
            ReleaseAndClear(&m_ppTextures[i]);
        }
    }
    delete[] m_ppTextures;
    delete[] m_pMaterials;
    delete[] m_szName;
    ReleaseAndClear(&m_pSkin);
    delete[] m_ppBoneMatrices;
    ReleaseAndClear(&m_pBoneNames);
    ReleaseAndClear(&m_pBoneOffsetBuffer);
    delete[] m_pAdjacency;
    ReleaseAndClear(&m_pBoneCombinations);
}

HRESULT MeshPart::Load(IDirectXFileData* pData, DWORD dwOptions, IDirect3DDevice8* pDevice, int method,
                       const D3DCAPS8& caps) {
    DWORD dwLength = 0;
    if (SUCCEEDED(pData->GetName(nullptr, &dwLength)) && dwLength > 0) {
        m_szName = new (std::nothrow) char[dwLength];
        if (m_szName == nullptr) {
            return E_OUTOFMEMORY;
        }
        if (FAILED(pData->GetName(m_szName, &dwLength))) {
            m_szName[0] = '\0';
        }
    }

    ID3DXBuffer* pAdjacency = nullptr;
    ID3DXBuffer* pMaterials = nullptr;
    DWORD dwMaterials = 0;
    HRESULT hr = D3DXLoadSkinMeshFromXof(pData, dwOptions, pDevice, &pAdjacency, &pMaterials, &dwMaterials,
                                         &m_pBoneNames, &m_pBoneOffsetBuffer, &m_pSkin);
    if (FAILED(hr)) {
        return hr;
    }

    const size_t uAdjacency = 3 * static_cast<size_t>(m_pSkin->GetNumFaces());
    m_pAdjacency = new (std::nothrow) DWORD[uAdjacency];
    if (m_pAdjacency == nullptr) {
        hr = E_OUTOFMEMORY;
    } else {
        std::fill(m_pAdjacency, m_pAdjacency + uAdjacency, kUnusedSlot);
        const size_t uGiven = pAdjacency != nullptr ? pAdjacency->GetBufferSize() / sizeof(DWORD) : 0;
        if (uGiven > 0) {
            std::memcpy(m_pAdjacency, pAdjacency->GetBufferPointer(), std::min(uGiven, uAdjacency) * sizeof(DWORD));
        }
    }

    const DWORD dwBones = m_pSkin->GetNumBones();
    if (SUCCEEDED(hr) && dwBones > 0) {
        m_ppBoneMatrices = new (std::nothrow) const D3DXMATRIX*[dwBones]();
        if (m_ppBoneMatrices == nullptr) {
            hr = E_OUTOFMEMORY;
        } else if (m_pBoneOffsetBuffer == nullptr ||
                   m_pBoneOffsetBuffer->GetBufferSize() < dwBones * sizeof(D3DXMATRIX) || m_pBoneNames == nullptr ||
                   m_pBoneNames->GetBufferSize() < dwBones * sizeof(char*)) {
            hr = D3DXERR_INVALIDDATA;
        } else {
            m_pBoneOffsets = static_cast<const D3DXMATRIX*>(m_pBoneOffsetBuffer->GetBufferPointer());
            hr = BuildSkinnedMesh(method, caps);
        }
    } else if (SUCCEEDED(hr)) {
        hr = m_pSkin->GetOriginalMesh(&m_pMesh);
        ReleaseAndClear(&m_pSkin);
    }
    if (SUCCEEDED(hr)) {
        hr = LoadMaterials(pMaterials, dwMaterials, pDevice);
    }
    if (SUCCEEDED(hr) && m_pSkin == nullptr) {
        m_dwSubsetNum = m_dwMaterialNum;
    }
    ReleaseAndClear(&pAdjacency);
    ReleaseAndClear(&pMaterials);
    return hr;
}

HRESULT MeshPart::LoadMaterials(ID3DXBuffer* pMaterials, DWORD dwCount, IDirect3DDevice8* pDevice) {
    if (pMaterials == nullptr || pMaterials->GetBufferSize() < dwCount * sizeof(D3DXMATERIAL)) {
        dwCount = 0;
    }
    // Without materials the part is drawn once in the grey default, so it
    // counts as one material.
    const DWORD dwSlots = std::max<DWORD>(dwCount, 1);
    m_pMaterials = new (std::nothrow) D3DMATERIAL8[dwSlots]();
    m_ppTextures = new (std::nothrow) IDirect3DTexture8*[dwSlots]();
    if (m_pMaterials == nullptr || m_ppTextures == nullptr) {
        return E_OUTOFMEMORY;
    }
    m_dwMaterialNum = dwSlots;
    if (dwCount == 0) {
        D3DMATERIAL8& material = m_pMaterials[0];
        material.Diffuse.r = 0.5f;
        material.Diffuse.g = 0.5f;
        material.Diffuse.b = 0.5f;
        material.Specular = material.Diffuse;
        return S_OK;
    }

    const auto* pSource = static_cast<const D3DXMATERIAL*>(pMaterials->GetBufferPointer());
    for (DWORD i = 0; i < dwCount; ++i) {
        m_pMaterials[i] = pSource[i].MatD3D;
        m_pMaterials[i].Ambient = m_pMaterials[i].Diffuse;
        const char* szTexture = pSource[i].pTextureFilename;
        if (szTexture == nullptr || szTexture[0] == '\0') {
            continue;
        }
        // A texture that does not load leaves the material untextured, silently.
        char szDir[MAX_PATH];
        CaptureDirectory(szDir);
        char szPath[MAX_PATH];
        if (ComposeMediaPath(szPath, szDir, kTextureFolder, szTexture) &&
            FAILED(D3DXCreateTextureFromFileA(pDevice, szPath, &m_ppTextures[i]))) {
            m_ppTextures[i] = nullptr;
        }
    }
    return S_OK;
}

HRESULT MeshPart::BuildSkinnedMesh(int method, const D3DCAPS8& caps) {
    IDirect3DDevice8* pDevice = nullptr;
    HRESULT hr = m_pSkin->GetDevice(&pDevice);
    if (FAILED(hr)) {
        return hr;
    }
    ReleaseAndClear(&m_pMesh);
    if (method != 0) {
        TraceError(kInvalidMethod, E_FAIL, TRUE);
        pDevice->Release();
        return E_FAIL;
    }

    DWORD dwInfluences = 0;
    hr = m_pSkin->GetMaxFaceInfluences(&dwInfluences);
    dwInfluences = std::min(dwInfluences, kMaxFaceInfluences);
    const DWORD dwBones = m_pSkin->GetNumBones();
    // 64 bits: a device may report the largest index as 0xFFFFFFFF.
    const ULONGLONG ullHardwarePalette = static_cast<ULONGLONG>(caps.MaxVertexBlendMatrixIndex) + 1;
    DWORD dwOptions = 0;
    if (ullHardwarePalette < dwInfluences) {
        m_dwPaletteSize = std::min(dwBones, kSoftwarePalette);
        m_dwSoftware = 1;
        dwOptions = D3DXMESHOPT_VERTEXCACHE | D3DXMESH_SYSTEMMEM;
    } else {
        m_dwPaletteSize = static_cast<DWORD>(std::min<ULONGLONG>(ullHardwarePalette, dwBones));
        m_dwSoftware = 0;
        dwOptions = D3DXMESHOPT_VERTEXCACHE | D3DXMESH_MANAGED;
    }

    ReleaseAndClear(&m_pBoneCombinations);
    m_dwSubsetNum = 0;
    if (SUCCEEDED(hr)) {
        hr = m_pSkin->ConvertToIndexedBlendedMesh(dwOptions, m_pAdjacency, m_dwPaletteSize, nullptr, &m_dwSubsetNum,
                                                  &m_pBoneCombinations, nullptr, nullptr, &m_pMesh);
    }
    if (SUCCEEDED(hr)) {
        const DWORD dwPosition = m_pMesh->GetFVF() & D3DFVF_POSITION_MASK;
        m_dwFaceInfluences = dwPosition == D3DFVF_XYZ ? 1 : (dwPosition - 4) / 2;
        m_nBuiltMethod = method;
    } else {
        m_dwSubsetNum = 0;
    }
    pDevice->Release();
    return hr;
}

HRESULT MeshPart::Draw(IDirect3DDevice8* pDevice, int method, const D3DCAPS8& caps) {
    if (m_pSkin != nullptr) {
        return DrawSkinned(pDevice, method, caps);
    }
    for (DWORD i = 0; i < m_dwSubsetNum; ++i) {
        pDevice->SetMaterial(&m_pMaterials[i]);
        pDevice->SetTexture(0, m_ppTextures[i]);
        const HRESULT hr = m_pMesh->DrawSubset(i);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT MeshPart::DrawSkinned(IDirect3DDevice8* pDevice, int method, const D3DCAPS8& caps) {
    if (m_nBuiltMethod != method) {
        const HRESULT hr = BuildSkinnedMesh(method, caps);
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (method != 0) {
        return S_OK;
    }

    if (m_dwSoftware != 0) {
        pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, TRUE);
    }
    pDevice->SetRenderState(D3DRS_VERTEXBLEND, m_dwFaceInfluences == 1 ? D3DVBF_0WEIGHTS : m_dwFaceInfluences - 1);
    if (m_dwFaceInfluences != 0) {
        pDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, TRUE);
    }

    const D3DXBONECOMBINATION* pCombinations = BoneCombinations();
    const DWORD dwBones = BoneCount();
    HRESULT hr = S_OK;
    for (DWORD i = 0; i < m_dwSubsetNum && SUCCEEDED(hr); ++i) {
        for (DWORD k = 0; k < m_dwPaletteSize; ++k) {
            const DWORD dwBone = pCombinations[i].BoneId[k];
            // An unused slot keeps whatever matrix it held.
            if (dwBone == kUnusedSlot || dwBone >= dwBones || m_ppBoneMatrices[dwBone] == nullptr) {
                continue;
            }
            // Slot k = offset x bone: the offset applies first.
            pDevice->SetTransform(D3DTS_WORLDMATRIX(k), m_ppBoneMatrices[dwBone]);
            pDevice->MultiplyTransform(D3DTS_WORLDMATRIX(k), &m_pBoneOffsets[dwBone]);
        }
        const DWORD dwMaterial = pCombinations[i].AttribId < m_dwMaterialNum ? pCombinations[i].AttribId : 0;
        pDevice->SetMaterial(&m_pMaterials[dwMaterial]);
        pDevice->SetTexture(0, m_ppTextures[dwMaterial]);
        hr = m_pMesh->DrawSubset(i);
    }

    // Switched off even after a failed draw, so the rest of the scene is not blended.
    pDevice->SetRenderState(D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE);
    pDevice->SetRenderState(D3DRS_VERTEXBLEND, D3DVBF_DISABLE);
    if (m_dwSoftware != 0) {
        pDevice->SetRenderState(D3DRS_SOFTWAREVERTEXPROCESSING, FALSE);
    }
    return hr;
}

void MeshPart::ReleaseDeviceMesh() {
    if (m_pSkin != nullptr) {
        ReleaseAndClear(&m_pMesh);
        m_nBuiltMethod = 1;
    }
}

const char* MeshPart::BoneName(DWORD dwBone) const {
    if (dwBone >= BoneCount()) {
        return nullptr;
    }
    return static_cast<char* const*>(m_pBoneNames->GetBufferPointer())[dwBone];
}

D3DXBONECOMBINATION* MeshPart::BoneCombinations() const {
    return m_pBoneCombinations != nullptr ? static_cast<D3DXBONECOMBINATION*>(m_pBoneCombinations->GetBufferPointer())
                                          : nullptr;
}
