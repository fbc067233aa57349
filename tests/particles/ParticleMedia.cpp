#include "ParticleMedia.h"

#include <cstring>

#include "support/DdsTestFiles.h"

void WriteParticleTexture(const ScopedTempCwd& cwd, const char* name, DWORD argb) {
    cwd.MakeFolder("Texture");
    std::vector<BYTE> payload;
    AppendPixels(payload, std::vector<DWORD>(16, argb), 4);
    WriteFile(cwd.File(std::string("Texture/") + name), BuildDds(ArgbLayout(4, 4), payload));
}

std::vector<BubbleVertex> ReadVertices(IDirect3DVertexBuffer8* pVB, size_t count) {
    std::vector<BubbleVertex> vertices(count);
    BYTE* pData = nullptr;
    if (pVB == nullptr || FAILED(pVB->Lock(0, 0, &pData, D3DLOCK_READONLY))) {
        return {};
    }
    std::memcpy(vertices.data(), pData, count * sizeof(BubbleVertex));
    pVB->Unlock();
    return vertices;
}
