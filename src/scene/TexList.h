// The process's texture cache: textures keyed by their full path, shared by
// every material that names the same file, freed with their last reference.
#pragma once

#include "platform/d3d/D3D8.h"

class TexList {
public:
    TexList() = default;
    ~TexList();
    TexList(const TexList&) = delete;
    TexList& operator=(const TexList&) = delete;

    // The texture of `path`, loaded on first use. Not add-referenced for the
    // caller; every non-null result is balanced by one Release. Null on failure.
    IDirect3DTexture8* Load(IDirect3DDevice8* pDevice, const char* path);
    // Gives back one reference taken by Load; unknown textures are ignored.
    void Release(IDirect3DTexture8* pTexture);

    // Inspection for the owner and tests: entries in list order.
    DWORD EntryCount() const;
    const char* NameAt(DWORD index) const;
    DWORD CountOf(const char* path) const;

private:
    struct Entry {
        IDirect3DTexture8* m_pTexture;
        char m_szName[MAX_PATH];
        DWORD m_dwCount;
        Entry* m_pNext;
    };

    Entry* m_pHead = nullptr;
};
