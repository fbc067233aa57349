#include "gfxutil/MeshAdjacency.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

void ComputeAdjacency(const DWORD* pointIds, DWORD numFaces, DWORD* pAdjacency) {
    constexpr DWORD kNoFace = 0xFFFFFFFF;
    std::fill(pAdjacency, pAdjacency + 3 * static_cast<size_t>(numFaces), kNoFace);
    // Half-edges by (from, to); an edge pairs with the first unpaired edge of
    // another face that runs the other way.
    std::unordered_map<ULONGLONG, std::vector<DWORD>> open;
    for (DWORD face = 0; face < numFaces; ++face) {
        for (DWORD edge = 0; edge < 3; ++edge) {
            const DWORD a = pointIds[3 * static_cast<size_t>(face) + edge];
            const DWORD b = pointIds[3 * static_cast<size_t>(face) + (edge + 1) % 3];
            if (a == b) {
                continue;  // a collapsed edge borders nothing
            }
            bool paired = false;
            auto reverse = open.find((static_cast<ULONGLONG>(b) << 32) | a);
            if (reverse != open.end()) {
                std::vector<DWORD>& candidates = reverse->second;
                for (auto it = candidates.begin(); it != candidates.end(); ++it) {
                    const DWORD other = *it / 3;
                    if (other != face) {
                        pAdjacency[3 * static_cast<size_t>(face) + edge] = other;
                        pAdjacency[*it] = face;
                        candidates.erase(it);
                        paired = true;
                        break;
                    }
                }
            }
            if (!paired) {
                open[(static_cast<ULONGLONG>(a) << 32) | b].push_back(3 * face + edge);
            }
        }
    }
}
