// What a mesh holds, read back for the mesh tests.
#pragma once

#include <cstring>
#include <vector>

#include "gfxutil/ID3DXMesh.h"

// Position, normal, one texture coordinate set: the scene's 0x112 vertex.
struct Vertex112 {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

// The index buffer's triangles, whatever the index width.
inline std::vector<DWORD> MeshIndices(ID3DXMesh* mesh) {
    BYTE* data = nullptr;
    if (mesh->LockIndexBuffer(D3DLOCK_READONLY, &data) != D3D_OK) {
        return {};
    }
    const bool wide = (mesh->GetOptions() & D3DXMESH_32BIT) != 0;
    std::vector<DWORD> out(mesh->GetNumFaces() * 3);
    for (size_t i = 0; i < out.size(); ++i) {
        if (wide) {
            std::memcpy(&out[i], data + 4 * i, 4);
        } else {
            WORD w = 0;
            std::memcpy(&w, data + 2 * i, 2);
            out[i] = w;
        }
    }
    mesh->UnlockIndexBuffer();
    return out;
}
