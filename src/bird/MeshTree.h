// One loaded skinned-model file: its frame tree under an unnamed root, the
// list of animation nodes that drive the frames, and its animation clock.
#pragma once

#include "bird/FrameNode.h"

struct MeshTree {
    MeshTree();
    ~MeshTree();
    MeshTree(const MeshTree&) = delete;
    MeshTree& operator=(const MeshTree&) = delete;

    // Takes a copy; FALSE when the memory cannot be had.
    BOOL SetName(const char* szName);

    FrameNode* m_pRoot;
    // Nodes owned by the frame tree, linked through FrameNode::m_pNextAnimated.
    FrameNode* m_pAnimated;
    char* m_szName;
    MeshTree* m_pNext;
    float m_fCurTime;  // ticks
};
