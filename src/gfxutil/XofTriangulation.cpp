#include "gfxutil/XofTriangulation.h"

#include <algorithm>

namespace {

// Vertices split off a file position for another normal, found by (position,
// normal): an open hash table in one array that doubles as it fills, so a
// split allocates nothing of its own and a lookup stays short however many
// normals one position carries.
class SplitVertices {
public:
    static constexpr DWORD kNone = 0xFFFFFFFF;

    DWORD Find(DWORD position, DWORD normal) const {
        if (m_slots.empty()) {
            return kNone;
        }
        for (size_t i = Home(position, normal);; i = (i + 1) & (m_slots.size() - 1)) {
            const Slot& slot = m_slots[i];
            if (slot.m_dwVertex == kNone || (slot.m_dwPosition == position && slot.m_dwNormal == normal)) {
                return slot.m_dwVertex;
            }
        }
    }

    void Add(DWORD position, DWORD normal, DWORD vertex) {
        if (2 * (m_dwCount + 1) > m_slots.size()) {
            Grow();
        }
        Place({position, normal, vertex});
        ++m_dwCount;
    }

private:
    struct Slot {
        DWORD m_dwPosition = 0;
        DWORD m_dwNormal = 0;
        DWORD m_dwVertex = kNone;
    };

    size_t Home(DWORD position, DWORD normal) const {
        const ULONGLONG key = (static_cast<ULONGLONG>(position) << 32) | normal;
        return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & (m_slots.size() - 1);
    }

    void Place(const Slot& entry) {
        size_t i = Home(entry.m_dwPosition, entry.m_dwNormal);
        while (m_slots[i].m_dwVertex != kNone) {
            i = (i + 1) & (m_slots.size() - 1);
        }
        m_slots[i] = entry;
    }

    void Grow() {
        std::vector<Slot> old(std::max<size_t>(64, 2 * m_slots.size()));
        old.swap(m_slots);
        for (const Slot& slot : old) {
            if (slot.m_dwVertex != kNone) {
                Place(slot);
            }
        }
    }

    std::vector<Slot> m_slots;  // a power of two, at most half full
    size_t m_dwCount = 0;
};

}  // namespace

void XofTriangulation::Run(const std::vector<D3DXVECTOR3>& positions, const Polygons& faces,
                           const std::vector<D3DXVECTOR3>& normals, const Polygons& faceNormals) {
    const bool hasNormals = !normals.empty();
    const DWORD filePositions = static_cast<DWORD>(positions.size());
    m_positions = positions;
    m_sourceVertex.resize(filePositions);
    for (DWORD i = 0; i < filePositions; ++i) {
        m_sourceVertex[i] = i;
    }
    // Which normal each file position carries; a different normal at the same
    // position makes a new vertex after the file's own.
    constexpr DWORD kUnset = 0xFFFFFFFF;
    std::vector<DWORD> normalOfPosition(filePositions, kUnset);
    SplitVertices splits;
    std::vector<DWORD> normalOfVertex(filePositions, kUnset);

    auto vertexFor = [&](DWORD position, DWORD normal) -> DWORD {
        if (!hasNormals) {
            return position;
        }
        if (normalOfPosition[position] == kUnset) {
            normalOfPosition[position] = normal;
            normalOfVertex[position] = normal;
            return position;
        }
        if (normalOfPosition[position] == normal || normals[normalOfPosition[position]] == normals[normal]) {
            return position;
        }
        const DWORD found = splits.Find(position, normal);
        if (found != SplitVertices::kNone) {
            return found;
        }
        const DWORD vertex = static_cast<DWORD>(m_positions.size());
        m_positions.push_back(positions[position]);
        m_sourceVertex.push_back(position);
        normalOfVertex.push_back(normal);
        splits.Add(position, normal, vertex);
        return vertex;
    };

    // A polygon of n corners fans into n - 2 triangles; the lists are sized once.
    size_t triangles = 0;
    for (size_t f = 0; f < faces.Count(); ++f) {
        triangles += faces.Size(f) > 2 ? faces.Size(f) - 2 : 0;
    }
    m_triangles.resize(3 * triangles);
    m_trianglePoints.resize(3 * triangles);
    m_triangleFaces.resize(triangles);
    size_t t = 0;
    for (size_t f = 0; f < faces.Count(); ++f) {
        const DWORD* face = faces.Corners(f);
        const DWORD* faceNormal = hasNormals ? faceNormals.Corners(f) : nullptr;
        for (size_t c = 2; c < faces.Size(f); ++c, ++t) {
            const size_t corners[3] = {0, c - 1, c};
            for (size_t k = 0; k < 3; ++k) {
                const DWORD normal = hasNormals ? faceNormal[corners[k]] : 0;
                m_triangles[3 * t + k] = vertexFor(face[corners[k]], normal);
                m_trianglePoints[3 * t + k] = face[corners[k]];
            }
            m_triangleFaces[t] = static_cast<DWORD>(f);
        }
    }
    if (hasNormals) {
        m_normals.resize(m_positions.size(), D3DXVECTOR3(0, 0, 0));
        for (size_t v = 0; v < m_positions.size(); ++v) {
            if (normalOfVertex[v] != kUnset) {
                m_normals[v] = normals[normalOfVertex[v]];
            }
        }
    }
}
