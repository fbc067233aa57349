#include "gfxutil/pmesh/TestMeshes.h"

#include <cmath>
#include <cstring>
#include <map>

#include "gfxutil/D3DXMesh.h"
#include "gfxutil/MeshArrays.h"
#include "gfxutil/VertexLayout.h"

TestMesh MakeSphere(DWORD rings, DWORD segments) {
    TestMesh mesh;
    const float pi = 3.14159265358979f;
    for (DWORD j = 0; j < segments; ++j) {
        mesh.m_vertices.push_back({{0, 1, 0}, {0, 1, 0}, (j + 0.5f) / segments, 0.0f});
    }
    const DWORD firstRing = segments;
    for (DWORD r = 1; r <= rings; ++r) {
        const float theta = pi * r / (rings + 1);
        for (DWORD j = 0; j <= segments; ++j) {
            const float phi = 2.0f * pi * (j % segments) / segments;
            D3DXVECTOR3 p(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
            if (2 * r == rings + 1) {
                p.y = 0.0f;  // the equator lies exactly on the material boundary
            }
            mesh.m_vertices.push_back({p, p, static_cast<float>(j) / segments, static_cast<float>(r) / (rings + 1)});
        }
    }
    const DWORD bottom = static_cast<DWORD>(mesh.m_vertices.size());
    for (DWORD j = 0; j < segments; ++j) {
        mesh.m_vertices.push_back({{0, -1, 0}, {0, -1, 0}, (j + 0.5f) / segments, 1.0f});
    }
    auto ring = [&](DWORD r, DWORD j) { return firstRing + (r - 1) * (segments + 1) + j; };
    auto add = [&](DWORD a, DWORD b, DWORD c, DWORD attribute) {
        mesh.m_indices.insert(mesh.m_indices.end(), {a, b, c});
        mesh.m_attributes.push_back(attribute);
    };
    for (DWORD j = 0; j < segments; ++j) {
        add(j, ring(1, j + 1), ring(1, j), 0);
        add(bottom + j, ring(rings, j), ring(rings, j + 1), 1);
    }
    for (DWORD r = 1; r < rings; ++r) {
        const DWORD attribute = 2 * r < rings + 1 ? 0 : 1;
        for (DWORD j = 0; j < segments; ++j) {
            add(ring(r, j), ring(r, j + 1), ring(r + 1, j), attribute);
            add(ring(r, j + 1), ring(r + 1, j + 1), ring(r + 1, j), attribute);
        }
    }
    return mesh;
}

TestMesh MakeCube(bool splitSides) {
    TestMesh mesh;
    // Corner k: x from bit 0, y from bit 1, z from bit 2.
    auto corner = [](DWORD k) {
        return D3DXVECTOR3((k & 1) ? 0.5f : -0.5f, (k & 2) ? 0.5f : -0.5f, (k & 4) ? 0.5f : -0.5f);
    };
    // Each side's corners, wound so (b - a) x (c - a) points outward.
    const DWORD sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {2, 6, 7, 3}, {0, 1, 5, 4}};
    if (!splitSides) {
        for (DWORD k = 0; k < 8; ++k) {
            mesh.m_vertices.push_back({corner(k), {0, 0, 0}, 0, 0});
        }
    }
    for (const auto& side : sides) {
        DWORD q[4];
        for (int i = 0; i < 4; ++i) {
            if (splitSides) {
                q[i] = static_cast<DWORD>(mesh.m_vertices.size());
                mesh.m_vertices.push_back({corner(side[i]), {0, 0, 0}, 0, 0});
            } else {
                q[i] = side[i];
            }
        }
        mesh.m_indices.insert(mesh.m_indices.end(), {q[0], q[1], q[2], q[0], q[2], q[3]});
        mesh.m_attributes.insert(mesh.m_attributes.end(), {0, 0});
    }
    return mesh;
}

TestMesh MakeGrid(DWORD n) {
    TestMesh mesh;
    for (DWORD z = 0; z <= n; ++z) {
        for (DWORD x = 0; x <= n; ++x) {
            mesh.m_vertices.push_back(
                {{static_cast<float>(x), 0.0f, static_cast<float>(z)}, {0, 1, 0}, 0.0f + x, 0.0f + z});
        }
    }
    for (DWORD z = 0; z < n; ++z) {
        for (DWORD x = 0; x < n; ++x) {
            const DWORD a = z * (n + 1) + x;
            mesh.m_indices.insert(mesh.m_indices.end(), {a, a + n + 1, a + 1, a + 1, a + n + 1, a + n + 2});
            mesh.m_attributes.insert(mesh.m_attributes.end(), {0, 0});
        }
    }
    return mesh;
}

ID3DXMesh* CreateMesh(IDirect3DDevice8* pDevice, const TestMesh& mesh, DWORD fvf) {
    ID3DXMesh* out = nullptr;
    if (FAILED(D3DXCreateMeshFVF(static_cast<DWORD>(mesh.m_attributes.size()),
                                 static_cast<DWORD>(mesh.m_vertices.size()), D3DXMESH_SYSTEMMEM, fvf, pDevice, &out))) {
        return nullptr;
    }
    MeshArrays arrays;
    arrays.m_dwFvf = fvf;
    arrays.m_layout.Decode(fvf);
    arrays.m_dwStride = arrays.m_layout.Stride();
    arrays.m_vertices.resize(mesh.m_vertices.size() * arrays.m_dwStride);
    for (size_t v = 0; v < mesh.m_vertices.size(); ++v) {
        std::memcpy(&arrays.m_vertices[v * arrays.m_dwStride], &mesh.m_vertices[v],
                    std::min<size_t>(arrays.m_dwStride, sizeof(PosNormTex)));
    }
    arrays.m_indices = mesh.m_indices;
    arrays.m_attributes = mesh.m_attributes;
    if (FAILED(arrays.Write(out))) {
        out->Release();
        return nullptr;
    }
    return out;
}

std::vector<DrawnFace> DrawnFaces(ID3DXBaseMesh* pMesh) {
    std::vector<DrawnFace> faces;
    VertexLayout layout;
    layout.Decode(pMesh->GetFVF());
    DWORD count = 0;
    pMesh->GetAttributeTable(nullptr, &count);
    std::vector<D3DXATTRIBUTERANGE> table(count);
    pMesh->GetAttributeTable(table.data(), &count);
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    if (FAILED(pMesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices))) {
        return faces;
    }
    if (FAILED(pMesh->LockIndexBuffer(D3DLOCK_READONLY, &indices))) {
        pMesh->UnlockVertexBuffer();
        return faces;
    }
    const bool wide = (pMesh->GetOptions() & D3DXMESH_32BIT) != 0;
    for (const D3DXATTRIBUTERANGE& range : table) {
        for (DWORD f = range.FaceStart; f < range.FaceStart + range.FaceCount; ++f) {
            DrawnFace face{};
            for (DWORD k = 0; k < 3; ++k) {
                DWORD index = 0;
                if (wide) {
                    std::memcpy(&index, indices + 4 * (3 * f + k), 4);
                } else {
                    WORD narrow = 0;
                    std::memcpy(&narrow, indices + 2 * (3 * f + k), 2);
                    index = narrow;
                }
                std::memcpy(&face.m_corners[k], vertices + static_cast<size_t>(index) * layout.Stride(), 12);
            }
            face.m_dwAttribute = range.AttribId;
            faces.push_back(face);
        }
    }
    pMesh->UnlockIndexBuffer();
    pMesh->UnlockVertexBuffer();
    return faces;
}

bool IsWatertight(const std::vector<DrawnFace>& faces) {
    using Point = std::array<float, 3>;
    std::map<std::pair<Point, Point>, int> edges;
    auto key = [](const D3DXVECTOR3& p) { return Point{p.x, p.y, p.z}; };
    for (const DrawnFace& face : faces) {
        for (int k = 0; k < 3; ++k) {
            ++edges[{key(face.m_corners[k]), key(face.m_corners[(k + 1) % 3])}];
        }
    }
    for (const auto& [edge, count] : edges) {
        auto reverse = edges.find({edge.second, edge.first});
        if (count != 1 || reverse == edges.end() || reverse->second != 1) {
            return false;
        }
    }
    return true;
}

std::multiset<FaceKey> Keys(const std::vector<DrawnFace>& faces) {
    std::multiset<FaceKey> keys;
    for (const DrawnFace& face : faces) {
        std::array<float, 9> k{};
        for (int c = 0; c < 3; ++c) {
            k[3 * c] = face.m_corners[c].x;
            k[3 * c + 1] = face.m_corners[c].y;
            k[3 * c + 2] = face.m_corners[c].z;
        }
        keys.emplace(face.m_dwAttribute, k);
    }
    return keys;
}
