// Media and helpers the particle tests share: a plain texture in the
// Texture folder, and reading back what a draw wrote into a vertex buffer.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfxutil/D3DXMath.h"
#include "particles/BubbleVertex.h"
#include "platform/d3d/D3D8.h"
#include "support/DdsTestFiles.h"
#include "support/TempDir.h"

// A 4 x 4 texture of one colour at cwd/Texture/name.
inline void WriteParticleTexture(const ScopedTempCwd& cwd, const char* name, DWORD argb = 0xFFFFFFFF) {
    cwd.MakeFolder("Texture");
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, argb), 4);
    WriteFile(cwd.File(std::string("Texture/") + name), BuildDds(ArgbLayout(4, 4), payload));
}

// The first `count` vertices of a buffer.
inline std::vector<BubbleVertex> ReadVertices(IDirect3DVertexBuffer8* pVB, size_t count) {
    std::vector<BubbleVertex> vertices(count);
    BYTE* pData = nullptr;
    if (pVB == nullptr || FAILED(pVB->Lock(0, 0, &pData, D3DLOCK_READONLY))) {
        return {};
    }
    std::memcpy(vertices.data(), pData, count * sizeof(BubbleVertex));
    pVB->Unlock();
    return vertices;
}

// Walks a live list of records linked by m_pNext, newest first.
template <class T>
std::vector<const T*> ListOf(const T* pHead) {
    std::vector<const T*> records;
    for (const T* p = pHead; p != nullptr; p = p->m_pNext) {
        records.push_back(p);
    }
    return records;
}

inline void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << "x";
    EXPECT_NEAR(actual.y, expected.y, tolerance) << "y";
    EXPECT_NEAR(actual.z, expected.z, tolerance) << "z";
}
