#include "bird/MeshTree.h"

#include <cstring>
#include <new>

MeshTree::MeshTree() : m_pRoot(nullptr), m_pAnimated(nullptr), m_szName(nullptr), m_pNext(nullptr), m_fCurTime(0.0f) {}

MeshTree::~MeshTree() {
    delete m_pRoot;
    delete[] m_szName;
}

BOOL MeshTree::SetName(const char* szName) {
    const size_t uLength = std::strlen(szName);
    char* szCopy = new (std::nothrow) char[uLength + 1];
    if (szCopy == nullptr) {
        return FALSE;
    }
    std::memcpy(szCopy, szName, uLength + 1);
    delete[] m_szName;
    m_szName = szCopy;
    return TRUE;
}
