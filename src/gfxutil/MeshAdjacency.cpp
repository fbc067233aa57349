#include "gfxutil/MeshAdjacency.h"

#include <algorithm>
#include <tuple>
#include <vector>

namespace {

constexpr DWORD kNoFace = 0xFFFFFFFF;

// The corners of a triangle list: half-edge h = 3 * face + corner runs from
// the point at h to the next corner's point.
class HalfEdges {
public:
    HalfEdges(const DWORD* pointIds, DWORD numFaces) : m_pPointIds(pointIds), m_dwCount(3 * size_t{numFaces}) {}

    size_t Count() const { return m_dwCount; }
    DWORD From(size_t h) const { return m_pPointIds[h]; }
    DWORD To(size_t h) const { return m_pPointIds[h % 3 == 2 ? h - 2 : h + 1]; }
    // The ends lower id first: the edges of two faces that meet, in either direction, share them.
    DWORD Low(size_t h) const { return std::min(From(h), To(h)); }
    DWORD High(size_t h) const { return std::max(From(h), To(h)); }
    // A collapsed edge borders nothing.
    bool Collapsed(size_t h) const { return From(h) == To(h); }
    // visit(h, from, to) for every half-edge in order, a face's three at a time.
    template <typename Visit>
    void ForEach(Visit visit) const {
        for (size_t h = 0; h < m_dwCount; h += 3) {
            const DWORD* corner = m_pPointIds + h;
            visit(h, corner[0], corner[1]);
            visit(h + 1, corner[1], corner[2]);
            visit(h + 2, corner[2], corner[0]);
        }
    }

private:
    const DWORD* m_pPointIds;
    size_t m_dwCount;
};

struct Edge {
    DWORD m_dwHigh;
    DWORD m_dwHalfEdge;
};

bool HigherPointFirst(const Edge& a, const Edge& b) {
    return a.m_dwHigh < b.m_dwHigh;
}

// The edges of one lower point, in file order, by higher point, keeping file
// order: a handful as a rule, so insertion sort, unless a point joins many
// (the centre of a fan).
void SortBucket(Edge* first, Edge* last) {
    if (last - first > 32) {
        std::stable_sort(first, last, HigherPointFirst);
        return;
    }
    for (Edge* edge = first + 1; edge < last; ++edge) {
        const Edge moving = *edge;
        Edge* at = edge;
        for (; at > first && HigherPointFirst(moving, at[-1]); --at) {
            *at = at[-1];
        }
        *at = moving;
    }
}

// Edges with the same ends, in file order. Each takes the first earlier one of
// another face that runs the other way and has no partner yet.
void PairEdges(const HalfEdges& halfEdges, const Edge* first, const Edge* last, DWORD* pAdjacency) {
    for (const Edge* edge = first + 1; edge < last; ++edge) {
        const DWORD face = edge->m_dwHalfEdge / 3;
        for (const Edge* other = first; other < edge; ++other) {
            const DWORD otherFace = other->m_dwHalfEdge / 3;
            if (halfEdges.From(other->m_dwHalfEdge) != halfEdges.From(edge->m_dwHalfEdge) &&
                pAdjacency[other->m_dwHalfEdge] == kNoFace && otherFace != face) {
                pAdjacency[edge->m_dwHalfEdge] = otherFace;
                pAdjacency[other->m_dwHalfEdge] = face;
                break;
            }
        }
    }
}

// Pairs each run of edges with the same ends in [first, last), which is ordered by ends.
template <typename SameEnds>
void PairRuns(const HalfEdges& halfEdges, const Edge* first, const Edge* last, SameEnds sameEnds, DWORD* pAdjacency) {
    while (first < last) {
        const Edge* end = first + 1;
        while (end < last && sameEnds(*first, *end)) {
            ++end;
        }
        PairEdges(halfEdges, first, end, pAdjacency);
        first = end;
    }
}

// Point ids are vertex numbers, below the edge count in any real mesh: the
// edges go by their lower point with a counting sort, and each point's few
// edges are sorted and paired on their own.
void PairByLowerPoint(const HalfEdges& halfEdges, DWORD maxId, DWORD* pAdjacency) {
    std::vector<DWORD> starts(size_t{maxId} + 2, 0);
    halfEdges.ForEach([&](size_t, DWORD from, DWORD to) {
        if (from != to) {
            ++starts[std::min(from, to) + 1];
        }
    });
    for (size_t id = 0; id <= maxId; ++id) {
        starts[id + 1] += starts[id];
    }
    std::vector<Edge> edges(starts.back());
    std::vector<DWORD> next(starts.begin(), starts.end() - 1);
    halfEdges.ForEach([&](size_t h, DWORD from, DWORD to) {
        if (from != to) {
            edges[next[std::min(from, to)]++] = {std::max(from, to), static_cast<DWORD>(h)};
        }
    });
    for (size_t id = 0; id <= maxId; ++id) {
        Edge* first = edges.data() + starts[id];
        Edge* last = edges.data() + starts[id + 1];
        SortBucket(first, last);
        PairRuns(
            halfEdges, first, last, [](const Edge& a, const Edge& b) { return a.m_dwHigh == b.m_dwHigh; }, pAdjacency);
    }
}

// Ids far beyond the mesh's size: one comparison sort by both ends.
void PairSorted(const HalfEdges& halfEdges, DWORD* pAdjacency) {
    std::vector<Edge> edges;
    for (size_t h = 0; h < halfEdges.Count(); ++h) {
        if (!halfEdges.Collapsed(h)) {
            edges.push_back({halfEdges.High(h), static_cast<DWORD>(h)});
        }
    }
    auto key = [&](const Edge& e) {
        return std::make_tuple(halfEdges.Low(e.m_dwHalfEdge), e.m_dwHigh, e.m_dwHalfEdge);
    };
    std::sort(edges.begin(), edges.end(), [&](const Edge& a, const Edge& b) { return key(a) < key(b); });
    PairRuns(
        halfEdges, edges.data(), edges.data() + edges.size(),
        [&](const Edge& a, const Edge& b) {
            return a.m_dwHigh == b.m_dwHigh && halfEdges.Low(a.m_dwHalfEdge) == halfEdges.Low(b.m_dwHalfEdge);
        },
        pAdjacency);
}

}  // namespace

void ComputeAdjacency(const DWORD* pointIds, DWORD numFaces, DWORD* pAdjacency) {
    const HalfEdges halfEdges(pointIds, numFaces);
    std::fill(pAdjacency, pAdjacency + halfEdges.Count(), kNoFace);
    // Every point is where some half-edge starts.
    const DWORD maxId = halfEdges.Count() == 0 ? 0 : *std::max_element(pointIds, pointIds + halfEdges.Count());
    if (maxId <= 2 * halfEdges.Count() + 1024) {
        PairByLowerPoint(halfEdges, maxId, pAdjacency);
    } else {
        PairSorted(halfEdges, pAdjacency);
    }
}
