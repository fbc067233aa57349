#include "gfxutil/MeshTopology.h"

#include <numeric>

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

DWORD Find(std::vector<DWORD>& parent, DWORD x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

void Join(std::vector<DWORD>& parent, DWORD a, DWORD b) {
    a = Find(parent, a);
    b = Find(parent, b);
    if (a < b) {
        parent[b] = a;
    } else if (b < a) {
        parent[a] = b;
    }
}

// The edge of face g that names face f as its neighbour, or 3.
DWORD EdgeBack(const DWORD* pAdjacency, DWORD g, DWORD f) {
    for (DWORD e = 0; e < 3; ++e) {
        if (pAdjacency[3 * static_cast<size_t>(g) + e] == f) {
            return e;
        }
    }
    return 3;
}

// Calls join(cornerOfF, cornerOfG) for the two pairs of corners that meet
// across every shared edge.
template <typename JoinFn>
void ForEachSharedEdge(const std::vector<DWORD>& indices, const DWORD* pAdjacency, JoinFn join) {
    const DWORD numFaces = static_cast<DWORD>(indices.size() / 3);
    for (DWORD f = 0; f < numFaces; ++f) {
        for (DWORD e = 0; e < 3; ++e) {
            const DWORD g = pAdjacency[3 * static_cast<size_t>(f) + e];
            if (g == kNoFace || g >= numFaces || g == f) {
                continue;
            }
            const DWORD back = EdgeBack(pAdjacency, g, f);
            if (back == 3) {
                continue;
            }
            // Edge (f[e], f[e+1]) runs the other way in g: (g[back], g[back+1]).
            join(3 * f + e, 3 * g + (back + 1) % 3);
            join(3 * f + (e + 1) % 3, 3 * g + back);
        }
    }
}

}  // namespace

std::vector<DWORD> CornerFans(const std::vector<DWORD>& indices, const std::vector<DWORD>& adjacency) {
    std::vector<DWORD> parent(indices.size());
    std::iota(parent.begin(), parent.end(), 0u);
    ForEachSharedEdge(indices, adjacency.data(), [&](DWORD a, DWORD b) {
        if (indices[a] == indices[b]) {
            Join(parent, a, b);
        }
    });
    for (DWORD c = 0; c < parent.size(); ++c) {
        parent[c] = Find(parent, c);
    }
    return parent;
}

std::vector<DWORD> PointRepsFromAdjacency(const std::vector<DWORD>& indices, const DWORD* pAdjacency,
                                          DWORD numVertices) {
    std::vector<DWORD> parent(numVertices);
    std::iota(parent.begin(), parent.end(), 0u);
    ForEachSharedEdge(indices, pAdjacency, [&](DWORD a, DWORD b) {
        if (indices[a] < numVertices && indices[b] < numVertices) {
            Join(parent, indices[a], indices[b]);
        }
    });
    for (DWORD v = 0; v < numVertices; ++v) {
        parent[v] = Find(parent, v);
    }
    return parent;
}
