// One node of a skinned model's tree: a frame of the file (with its mesh
// parts), an animation set, or an animation that drives a target frame
// through its key lists. A node owns its parts, its keys and its children.
#pragma once

#include "bird/AnimationKeys.h"
#include "gfxutil/D3DXMath.h"

struct MeshPart;

struct FrameNode {
    FrameNode();
    ~FrameNode();
    FrameNode(const FrameNode&) = delete;
    FrameNode& operator=(const FrameNode&) = delete;

    // First child when there is none, otherwise right after the first child,
    // so from the third child on the order is the reverse of the file's.
    void LinkChild(FrameNode* pChild);
    void AddPart(MeshPart* pPart);
    // Depth first: this node, its first child's subtree, then its siblings.
    FrameNode* FindFrame(const char* szName);
    // Writes the pose at tick t into the target's local transform; each
    // channel loops at its own last key time. Allocates nothing.
    void SetTime(float t);
    // combined = local x parent x extra, for this node, its children and its siblings.
    void UpdateFrames(const D3DXMATRIX& matParent);

    MeshPart* m_pParts;
    D3DXMATRIX m_matLocal;
    D3DXMATRIX m_matExtra;
    D3DXMATRIX m_matFile;
    D3DXMATRIX m_matCombined;
    PositionKey* m_pPositionKeys;
    DWORD m_dwPositionKeys;
    RotationKey* m_pRotateKeys;
    DWORD m_dwRotateKeys;
    ScaleKey* m_pScaleKeys;
    DWORD m_dwScaleKeys;
    MatrixKey* m_pMatrixKeys;
    DWORD m_dwMatrixKeys;
    FrameNode* m_pNextAnimated;
    FrameNode* m_pTarget;
    FrameNode* m_pSibling;
    FrameNode* m_pFirstChild;
    char* m_szName;  // owned; null when the file gives none
};
