#include "scene/Model.h"

#include "framework/MediaPath.h"

// The loader arrives with the mesh classes; until then a model holds no meshes.
Model::Model(TexList* pTexList)
    : m_szName{},
      m_szDirectory{},
      m_szPath{},
      m_dwMeshCountInXFile(0),
      m_pMeshDisplay(nullptr),
      m_dwMeshDisplayNum(0),
      m_dwDisplayCursor(0),
      m_pMeshDammy(nullptr),
      m_dwMeshDammyNum(0),
      m_dwDammyCursor(0),
      m_pTexList(pTexList) {
    CaptureDirectory(m_szDirectory);
}

Model::~Model() {
    Release();
}

HRESULT Model::Load(IDirect3DDevice8*, const char*) {
    return E_FAIL;
}

void Model::Release() {}

HRESULT Model::UpdateBounds(D3DXMATRIX, int) {
    return S_OK;
}

HRESULT Model::Submit(IDirect3DDevice8*, D3DXMATRIX, D3DXMATRIX, const FrustumInfo*, int, DrawQueue*) {
    return S_OK;
}

BOOL Model::AnyVisible(const FrustumInfo*) const {
    return FALSE;
}

MeshDisplay* Model::DisplayAt(DWORD) const {
    return nullptr;
}

MeshDammy* Model::DammyAt(DWORD) const {
    return nullptr;
}

HRESULT Model::OpenFile(IDirectXFile**, IDirectXFileEnumObject**, long) {
    return E_FAIL;
}

HRESULT Model::CountMeshes(IDirectXFileData*) {
    return E_FAIL;
}

HRESULT Model::LoadMeshes(IDirect3DDevice8*, IDirectXFileData*) {
    return E_FAIL;
}
