// A skinned, key-framed model read from an X file: a tree of frames with
// mesh parts and animation nodes, played in a looping window of its key
// ticks and drawn with indexed vertex blending, one bone palette per subset.
#pragma once

#include "bird/MeshTree.h"
#include "gfxutil/D3DXMath.h"
#include "platform/d3d/D3D8.h"
#include "platform/xfile/DXFile.h"

class SkinnedMesh {
public:
    SkinnedMesh();
    ~SkinnedMesh();
    SkinnedMesh(const SkinnedMesh&) = delete;
    SkinnedMesh& operator=(const SkinnedMesh&) = delete;

    // Reads "Model/<szFileName>" under the directory current at construction.
    // Always S_OK: a failed load is reported on its own and leaves the
    // previous tree (if any) in place.
    HRESULT Load(IDirect3DDevice8* pDevice, D3DCAPS8 caps, const char* szFileName);
    // Deletes every tree and forgets the device.
    HRESULT DeleteTree();

    // Advances each tree by g_frameStep and poses its frames. Plays segment
    // dwSegment (from 1) of dwSegmentNum equal parts of the animation, looping.
    HRESULT FrameMove(DWORD dwSegment, DWORD dwSegmentNum, int nFlash);
    HRESULT Render(D3DXMATRIX matWorld);
    HRESULT RestoreStates();
    // Releases the blended meshes before a reset; the next draw rebuilds them.
    HRESULT ReleaseDeviceMeshes();

    MeshTree* SelectedTree() const { return m_pSelectedTree; }
    MeshTree* TreeList() const { return m_pTreeList; }
    float AnimLength() const { return m_fAnimLength; }
    float WindowStart() const { return m_fWindowStart; }
    float WindowEnd() const { return m_fWindowEnd; }

private:
    HRESULT LoadHierarchy(const char* szPath);
    HRESULT LoadFrame(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent);
    HRESULT LoadMeshPart(IDirectXFileData* pData, FrameNode* pParent);
    HRESULT LoadAnimationSet(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent);
    HRESULT LoadAnimation(IDirectXFileData* pData, MeshTree* pTree, FrameNode* pParent);
    HRESULT LoadKeys(IDirectXFileData* pData, FrameNode* pNode, DWORD* pdwTypesSeen);
    HRESULT BindBones(FrameNode* pFrame, FrameNode* pRoot);
    HRESULT DrawFrames(FrameNode* pFrame);
    void ReleaseFrameMeshes(FrameNode* pFrame);

    IDirect3DDevice8* m_pDevice;  // borrowed from Load until DeleteTree
    D3DCAPS8 m_caps;
    char m_szPath[MAX_PATH];
    char m_szDir[MAX_PATH];
    MeshTree* m_pSelectedTree;
    MeshTree* m_pTreeList;
    DWORD m_dwMeshOptions;
    int m_method;
    float m_fAnimLength;
    int m_nWindowPending;
    float m_fWindowLength;
    float m_fWindowStart;
    float m_fWindowEnd;
    int m_nFlash;
    float m_fLoadLength;  // the longest key list of the file being read
};
