#include "bird/FrameNode.h"

#include <cmath>
#include <cstring>

#include "bird/MeshPart.h"

namespace {

// Finds the two keys around tick t of a list that loops at its last key time,
// and how far t lies between them (0 at k1, 1 at k2).
template <typename Key>
float Bracket(const Key* pKeys, DWORD dwCount, float t, DWORD* pk1, DWORD* pk2) {
    const float fLast = static_cast<float>(pKeys[dwCount - 1].m_dwTime);
    // A list whose last key lies at tick 0 holds a single pose; fmod by 0 would give NaN.
    const float fLocal = fLast > 0.0f ? std::fmod(t, fLast) : 0.0f;
    DWORD i = 0;
    while (i < dwCount && static_cast<float>(pKeys[i].m_dwTime) <= fLocal) {
        ++i;
    }
    if (i == dwCount) {
        *pk1 = 0;
        *pk2 = 0;
    } else {
        *pk2 = i;
        *pk1 = i > 0 ? i - 1 : 0;
    }
    const float t1 = static_cast<float>(pKeys[*pk1].m_dwTime);
    const float t2 = static_cast<float>(pKeys[*pk2].m_dwTime);
    return t1 != t2 ? (fLocal - t1) / (t2 - t1) : 0.0f;
}

}  // namespace

FrameNode::FrameNode()
    : m_pParts(nullptr),
      m_pPositionKeys(nullptr),
      m_dwPositionKeys(0),
      m_pRotateKeys(nullptr),
      m_dwRotateKeys(0),
      m_pScaleKeys(nullptr),
      m_dwScaleKeys(0),
      m_pMatrixKeys(nullptr),
      m_dwMatrixKeys(0),
      m_pNextAnimated(nullptr),
      m_pTarget(nullptr),
      m_pSibling(nullptr),
      m_pFirstChild(nullptr),
      m_szName(nullptr) {
    D3DXMatrixIdentity(&m_matLocal);
    D3DXMatrixIdentity(&m_matExtra);
    D3DXMatrixIdentity(&m_matFile);
    D3DXMatrixIdentity(&m_matCombined);
}

FrameNode::~FrameNode() {
    while (m_pParts != nullptr) {
        MeshPart* pNext = m_pParts->m_pNext;
        delete m_pParts;
        m_pParts = pNext;
    }
    // Children one after another, so a long list of siblings does not recurse.
    while (m_pFirstChild != nullptr) {
        FrameNode* pNext = m_pFirstChild->m_pSibling;
        m_pFirstChild->m_pSibling = nullptr;
        delete m_pFirstChild;
        m_pFirstChild = pNext;
    }
    delete[] m_pPositionKeys;
    delete[] m_pRotateKeys;
    delete[] m_pScaleKeys;
    delete[] m_pMatrixKeys;
    delete[] m_szName;
}

void FrameNode::LinkChild(FrameNode* pChild) {
    if (m_pFirstChild == nullptr) {
        m_pFirstChild = pChild;
    } else {
        pChild->m_pSibling = m_pFirstChild->m_pSibling;
        m_pFirstChild->m_pSibling = pChild;
    }
}

void FrameNode::AddPart(MeshPart* pPart) {
    pPart->m_pNext = m_pParts;
    m_pParts = pPart;
}

FrameNode* FrameNode::FindFrame(const char* szName) {
    for (FrameNode* pFrame = this; pFrame != nullptr; pFrame = pFrame->m_pSibling) {
        if (pFrame->m_szName != nullptr && std::strcmp(pFrame->m_szName, szName) == 0) {
            return pFrame;
        }
        if (pFrame->m_pFirstChild != nullptr) {
            if (FrameNode* pFound = pFrame->m_pFirstChild->FindFrame(szName)) {
                return pFound;
            }
        }
    }
    return nullptr;
}

void FrameNode::SetTime(float t) {
    if (m_pTarget == nullptr) {
        return;
    }
    DWORD k1 = 0;
    DWORD k2 = 0;
    if (m_dwMatrixKeys > 0) {
        // Matrix keys are not blended: the nearer key, the earlier one at the midpoint.
        const float f = Bracket(m_pMatrixKeys, m_dwMatrixKeys, t, &k1, &k2);
        m_pTarget->m_matLocal = m_pMatrixKeys[f > 0.5f ? k2 : k1].m_mat;
        return;
    }

    D3DXMATRIX matResult;
    D3DXMatrixIdentity(&matResult);
    D3DXMATRIX matStep;
    if (m_dwScaleKeys > 0) {
        const float f = Bracket(m_pScaleKeys, m_dwScaleKeys, t, &k1, &k2);
        const D3DXVECTOR3& a = m_pScaleKeys[k1].m_vecScale;
        const D3DXVECTOR3& b = m_pScaleKeys[k2].m_vecScale;
        const D3DXVECTOR3 s = a + (b - a) * f;
        D3DXMatrixScaling(&matStep, s.x, s.y, s.z);
        D3DXMatrixMultiply(&matResult, &matResult, &matStep);
    }
    if (m_dwRotateKeys > 0) {
        const float f = Bracket(m_pRotateKeys, m_dwRotateKeys, t, &k1, &k2);
        // Cubic spherical interpolation over the neighbours, which wrap round the list.
        const DWORD k0 = k1 > 0 ? k1 - 1 : m_dwRotateKeys - 1;
        const DWORD k3 = k2 + 1 < m_dwRotateKeys ? k2 + 1 : k2 + 1 - m_dwRotateKeys;
        D3DXQUATERNION a;
        D3DXQUATERNION b;
        D3DXQUATERNION c;
        D3DXQuaternionSquadSetup(&a, &b, &c, &m_pRotateKeys[k0].m_quatRotate, &m_pRotateKeys[k1].m_quatRotate,
                                 &m_pRotateKeys[k2].m_quatRotate, &m_pRotateKeys[k3].m_quatRotate);
        D3DXQUATERNION q;
        D3DXQuaternionSquad(&q, &m_pRotateKeys[k1].m_quatRotate, &a, &b, &c, f);
        // Files keep the conjugate rotation; negating w turns it round.
        q.w = -q.w;
        D3DXMatrixRotationQuaternion(&matStep, &q);
        D3DXMatrixMultiply(&matResult, &matResult, &matStep);
    }
    if (m_dwPositionKeys > 0) {
        const float f = Bracket(m_pPositionKeys, m_dwPositionKeys, t, &k1, &k2);
        const D3DXVECTOR3& a = m_pPositionKeys[k1].m_vecPos;
        const D3DXVECTOR3& b = m_pPositionKeys[k2].m_vecPos;
        const D3DXVECTOR3 p = a + (b - a) * f;
        D3DXMatrixTranslation(&matStep, p.x, p.y, p.z);
    } else {
        const D3DXMATRIX& matFile = m_pTarget->m_matFile;
        D3DXMatrixTranslation(&matStep, matFile._41, matFile._42, matFile._43);
    }
    D3DXMatrixMultiply(&matResult, &matResult, &matStep);
    m_pTarget->m_matLocal = matResult;
}

void FrameNode::UpdateFrames(const D3DXMATRIX& matParent) {
    // This node and its siblings share the parent.
    for (FrameNode* pFrame = this; pFrame != nullptr; pFrame = pFrame->m_pSibling) {
        D3DXMatrixMultiply(&pFrame->m_matCombined, &pFrame->m_matLocal, &matParent);
        D3DXMatrixMultiply(&pFrame->m_matCombined, &pFrame->m_matCombined, &pFrame->m_matExtra);
        if (pFrame->m_pFirstChild != nullptr) {
            pFrame->m_pFirstChild->UpdateFrames(pFrame->m_matCombined);
        }
    }
}
