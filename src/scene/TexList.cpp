#include "scene/TexList.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "framework/ErrorReport.h"
#include "gfxutil/D3DXTexture.h"

namespace {
namespace site {
// Fixed trace sites (see TraceSite): kept exactly; "%s" is the texture's path.
constexpr TraceSite kLoading{"", 0, "loading texture...%s"};
constexpr TraceSite kFailed{"TexList", 85, "failed to load texture...%s"};
}  // namespace site
}  // namespace

TexList::~TexList() {
    // Meshes give their textures back before the list goes; anything left is
    // released here so the device is not kept alive by the cache.
    while (m_pHead != nullptr) {
        Entry* pEntry = m_pHead;
        m_pHead = pEntry->m_pNext;
        pEntry->m_pTexture->Release();
        delete pEntry;
    }
}

IDirect3DTexture8* TexList::Load(IDirect3DDevice8* pDevice, const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    for (Entry* pEntry = m_pHead; pEntry != nullptr; pEntry = pEntry->m_pNext) {
        if (std::strcmp(pEntry->m_szName, path) == 0) {
            ++pEntry->m_dwCount;
            return pEntry->m_pTexture;
        }
    }

    char szMessage[MAX_PATH + 64];
    std::snprintf(szMessage, sizeof(szMessage), site::kLoading.m_pszText, path);
    TraceError(site::kLoading.m_pszModule, site::kLoading.m_lNumber, S_OK, szMessage, FALSE);

    IDirect3DTexture8* pTexture = nullptr;
    HRESULT hr = E_FAIL;
    // A key longer than a media path could never have been composed by the
    // program; it is refused like a file that does not load.
    if (std::strlen(path) < MAX_PATH) {
        hr = D3DXCreateTextureFromFileA(pDevice, path, &pTexture);
    }
    Entry* pEntry = nullptr;
    if (SUCCEEDED(hr)) {
        pEntry = new (std::nothrow) Entry{};
        if (pEntry == nullptr) {
            pTexture->Release();
            hr = E_OUTOFMEMORY;
        }
    }
    if (FAILED(hr)) {
        std::snprintf(szMessage, sizeof(szMessage), site::kFailed.m_pszText, path);
        TraceError(site::kFailed.m_pszModule, site::kFailed.m_lNumber, hr, szMessage, TRUE);
        return nullptr;
    }

    pEntry->m_pTexture = pTexture;
    std::strcpy(pEntry->m_szName, path);
    pEntry->m_dwCount = 1;
    if (m_pHead == nullptr) {
        pEntry->m_pNext = nullptr;
        m_pHead = pEntry;
    } else {
        pEntry->m_pNext = m_pHead->m_pNext;
        m_pHead->m_pNext = pEntry;
    }
    return pTexture;
}

void TexList::Release(IDirect3DTexture8* pTexture) {
    if (pTexture == nullptr) {
        return;
    }
    Entry* pPrev = nullptr;
    for (Entry* pEntry = m_pHead; pEntry != nullptr; pPrev = pEntry, pEntry = pEntry->m_pNext) {
        if (pEntry->m_pTexture != pTexture) {
            continue;
        }
        if (--pEntry->m_dwCount > 0) {
            return;
        }
        pEntry->m_pTexture->Release();
        if (pPrev == nullptr) {
            m_pHead = pEntry->m_pNext;
        } else {
            pPrev->m_pNext = pEntry->m_pNext;
        }
        delete pEntry;
        return;
    }
}

DWORD TexList::EntryCount() const {
    DWORD dwCount = 0;
    for (const Entry* pEntry = m_pHead; pEntry != nullptr; pEntry = pEntry->m_pNext) {
        ++dwCount;
    }
    return dwCount;
}

const char* TexList::NameAt(DWORD index) const {
    const Entry* pEntry = m_pHead;
    for (DWORD i = 0; pEntry != nullptr && i < index; ++i) {
        pEntry = pEntry->m_pNext;
    }
    return pEntry != nullptr ? pEntry->m_szName : nullptr;
}

DWORD TexList::CountOf(const char* path) const {
    for (const Entry* pEntry = m_pHead; pEntry != nullptr; pEntry = pEntry->m_pNext) {
        if (std::strcmp(pEntry->m_szName, path) == 0) {
            return pEntry->m_dwCount;
        }
    }
    return 0;
}
