// One X file of the scene, split by mesh name into display meshes (drawn with
// levels of detail) and dummy meshes (bounds only). A model has no placement
// of its own: the placed objects that share it hand it their world matrix.
#pragma once

#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "platform/xfile/DXFile.h"
#include "scene/DrawQueue.h"
#include "scene/FrustumInfo.h"

class MeshDammy;
class MeshDisplay;
class TexList;

struct TraceSite;

class Model {
public:
    // The display meshes take their material textures from pTexList (the
    // application's one list). Without a list no texture is loaded, which
    // suits a model used only for its bounds.
    explicit Model(TexList* pTexList = nullptr);
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    // Reads directory + "/Model/" + szFileName and loads every mesh of it.
    // After a failure the meshes made so far stay until Release.
    HRESULT Load(IDirect3DDevice8* pDevice, const char* szFileName);
    // Releases every mesh and destroys both arrays; the model can load again.
    void Release();

    // Carries the bounds of the display meshes (display != 0) or of the dummy
    // meshes into world space.
    HRESULT UpdateBounds(D3DXMATRIX matWorld, int display);
    // Culls each display mesh, picks its level of detail and queues its draw;
    // the first failing mesh ends the walk with its result.
    HRESULT Submit(IDirect3DDevice8* pDevice, D3DXMATRIX matWorld, D3DXMATRIX matCamera, const FrustumInfo* pFrustum,
                   int lod, DrawQueue* pQueue);
    // TRUE when a display mesh lies in the frustum (or holds no mesh).
    BOOL AnyVisible(const FrustumInfo* pFrustum) const;

    const char* Name() const { return m_szName; }
    DWORD MeshCountInXFile() const { return m_dwMeshCountInXFile; }
    DWORD MeshDisplayNum() const { return m_dwMeshDisplayNum; }
    DWORD MeshDammyNum() const { return m_dwMeshDammyNum; }
    // The i-th mesh of each kind in file order; null past the end or before a load.
    MeshDisplay* DisplayAt(DWORD index) const;
    MeshDammy* DammyAt(DWORD index) const;

private:
    // Creates the runtime with the standard templates and opens the file,
    // tracing the note (its text filled with the path) first.
    HRESULT OpenFile(IDirectXFile** ppFile, IDirectXFileEnumObject** ppEnum, const TraceSite& note, long lineOpen);
    HRESULT CountMeshes(IDirectXFileData* pData);
    HRESULT LoadMeshes(IDirect3DDevice8* pDevice, IDirectXFileData* pData);
    // "failed to load xfile..." with the path, in a box; returns hr.
    HRESULT ReportRead(long line, HRESULT hr) const;
    // Visits the file's top-level objects in file order; an object the runtime
    // cannot hand out is reported at `line`.
    template <typename Visit>
    HRESULT ForEachObject(IDirectXFileEnumObject* pEnum, long line, Visit visit);
    // Meshes there are to walk: none while an array is missing, whatever was counted.
    DWORD DisplayCount() const { return m_pMeshDisplay != nullptr ? m_dwMeshDisplayNum : 0; }
    DWORD DammyCount() const { return m_pMeshDammy != nullptr ? m_dwMeshDammyNum : 0; }

    char m_szName[512];
    char m_szDirectory[MAX_PATH];
    char m_szPath[MAX_PATH];
    DWORD m_dwMeshCountInXFile;
    MeshDisplay* m_pMeshDisplay;
    DWORD m_dwMeshDisplayNum;
    DWORD m_dwDisplayCursor;
    MeshDammy* m_pMeshDammy;
    DWORD m_dwMeshDammyNum;
    DWORD m_dwDammyCursor;
    TexList* m_pTexList;
};
